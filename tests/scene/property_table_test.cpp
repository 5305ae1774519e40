// The property table: the creation order, types, neutral answers, errors and value conversion.
#include "scene/property_table.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include "core/errors.h"
#include "scene_test_util.h"

namespace kuzo {
namespace {

using testing::SceneFixture;

TEST(PropertyOrder, SourceZoomSizeAndPositionComeFirstAndMuteLast) {
  const auto& order = PropertyApplicationOrder();
  const std::vector<uint8_t> head(order.begin(), order.begin() + 14);
  const std::vector<uint8_t> expected = {PR_NAME,   PR_PARENT, PR_SOURCE, PR_ZOOMX, PR_ZOOMY,
                                         PR_POSZOOMED, PR_WIDTH, PR_HEIGHT, PR_LEFT, PR_TOP,
                                         PR_COLOR, PR_BARSIZE, PR_BORDERWIDTH, PR_BORDERCOLOR};
  EXPECT_EQ(head, expected);
  EXPECT_EQ(order.back(), PR_MUTEONLOAD);
}

TEST(PropertyOrder, EveryIdExactlyOnceWithTheMovedGroups) {
  auto order = PropertyApplicationOrder();
  auto pos = [&](uint8_t id) { return std::find(order.begin(), order.end(), id) - order.begin(); };
  EXPECT_EQ(pos(PR_PLUSX), pos(PR_OFFSETY) + 1);
  EXPECT_EQ(pos(PR_PLUSY), pos(PR_OFFSETY) + 2);
  EXPECT_EQ(pos(PR_FONTHOVERBORDER), pos(PR_HOVERCOLOR) + 1);
  EXPECT_EQ(pos(PR_FONTHOVERSHADOWCOLOR), pos(PR_HOVERCOLOR) + 4);
  EXPECT_EQ(pos(PR_CARETHEIGHT), pos(PR_CARETY) + 1);
  EXPECT_EQ(pos(PR_ANTIALIAS), pos(PR_FONTHOVERSHADOWCOLOR) + 1);  // ascending order resumes
  std::sort(order.begin(), order.end());
  for (int i = 0; i < kPropertyCount; ++i) EXPECT_EQ(order[static_cast<size_t>(i)], i);
}

TEST(PropertyTable, TypesAndNames) {
  EXPECT_EQ(PropertyType(PR_NAME), PT_STR);
  EXPECT_EQ(PropertyType(PR_LEFT), PT_INT);
  EXPECT_EQ(PropertyType(PR_PARAM1), PT_FLOAT);
  EXPECT_EQ(PropertyType(PR_PARAM3), PT_FLOAT);
  EXPECT_EQ(PropertyType(PR_VISIBLE), PT_BOOL);
  EXPECT_EQ(PropertyType(PR_HANDLEKEY), PT_INT);
  EXPECT_EQ(PropertyType(162), PT_NONE);
  EXPECT_STREQ(PropertyInfoOf(PR_CARETHEIGHT).name, "PR_CARETHEIGHT");
  EXPECT_STREQ(PropertyInfoOf(PR_NAME).displayName, "名前");
  for (int id = 0; id < kPropertyCount; ++id) EXPECT_NE(PropertyType(id), PT_NONE) << id;
}

TEST(PropertyTable, NeutralAnswersOfClassesThatLackTheProperty) {
  SceneFixture f;
  auto* c = f.Add("c", 0, 0, 10, 10);
  auto* snd = f.scene.CreateObject<testing::TestSound>();
  EXPECT_EQ(std::get<int32_t>(GetPropertyValue(*c, PR_ZOOMX)), 256);
  EXPECT_EQ(std::get<int32_t>(GetPropertyValue(*c, PR_ALPHA)), 255);
  EXPECT_EQ(std::get<int32_t>(GetPropertyValue(*c, PR_INDEX)), -1);
  EXPECT_EQ(std::get<int32_t>(GetPropertyValue(*c, PR_BORDERCOLOR)), -1);
  EXPECT_EQ(std::get<int32_t>(GetPropertyValue(*c, PR_TEXTDELAY)), 256);
  EXPECT_TRUE(std::get<bool>(GetPropertyValue(*c, PR_REWINDONLOAD)));
  EXPECT_EQ(std::get<int32_t>(GetPropertyValue(*snd, PR_COLOR)), 0xFFFFFF);
  // A non-visual component has no position and is never visible.
  SetPropertyValue(*snd, PR_LEFT, int32_t{40});
  EXPECT_EQ(std::get<int32_t>(GetPropertyValue(*snd, PR_LEFT)), 0);
  EXPECT_FALSE(std::get<bool>(GetPropertyValue(*snd, PR_VISIBLE)));
  EXPECT_EQ(std::get<int32_t>(GetPropertyValue(*snd, PR_COMPOTYPE)), LT_SOUND);
  EXPECT_EQ(std::get<std::string>(GetPropertyValue(*snd, PR_ONPLAYING)), "");
}

TEST(PropertyTable, ReadOnlyAndRaisingIds) {
  SceneFixture f;
  auto* c = f.Add("c", 0, 0, 10, 10);
  SetPropertyValue(*c, PR_COMPOTYPE, int32_t{5});
  EXPECT_EQ(c->GetIntProp(PR_COMPOTYPE), testing::kTestControlKind);
  EXPECT_EQ(std::get<int32_t>(GetPropertyValue(*c, PR_APPEARX)), 0);
  try {
    SetPropertyValue(*c, PR_APPEARY, int32_t{1});
    FAIL() << "writing the appear position must raise";
  } catch (const KuzoError& e) {
    EXPECT_STREQ(e.what(), "SetPropエラー");
  }
  try {
    GetPropertyValue(*c, 162);
    FAIL() << "reading id 162 must raise";
  } catch (const KuzoError& e) {
    EXPECT_STREQ(e.what(), "GetPropエラー");
  }
  EXPECT_THROW(SetPropertyValue(*c, -1, int32_t{0}), KuzoError);
}

TEST(PropertyTable, ValuesAreConvertedToThePropertyType) {
  SceneFixture f;
  auto* c = f.Add("c", 0, 0, 10, 10);
  SetPropertyValue(*c, PR_LEFT, std::string("12"));
  EXPECT_EQ(c->Left(), 12);
  SetPropertyValue(*c, PR_LEFT, static_cast<long double>(-7.9));
  EXPECT_EQ(c->Left(), -7);
  SetPropertyValue(*c, PR_LEFT, std::numeric_limits<long double>::quiet_NaN());
  EXPECT_EQ(c->Left(), 0);
  // Huge floats follow the one float-to-integer rule: through 64 bits, low 32 bits kept.
  SetPropertyValue(*c, PR_LEFT, static_cast<long double>(1e10));
  EXPECT_EQ(c->Left(), 1410065408);
  SetPropertyValue(*c, PR_TOP, static_cast<long double>(-1e30));
  EXPECT_EQ(c->Top(), 0);
  SetPropertyValue(*c, PR_VISIBLE, int32_t{0});
  EXPECT_FALSE(c->OwnVisible());
  SetPropertyValue(*c, PR_TAG, int32_t{42});
  EXPECT_EQ(c->Tag(), "42");
  EXPECT_EQ(std::get<std::string>(ConvertPropValue(true, PT_STR)), "TRUE");
  EXPECT_TRUE(std::get<bool>(ConvertPropValue(std::string("TRUE"), PT_BOOL)));
  EXPECT_EQ(std::get<int32_t>(ConvertPropValue(std::string("$10"), PT_INT)), 16);
}

}  // namespace
}  // namespace kuzo
