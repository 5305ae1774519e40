// The property table: names, types and display names of the 162 property ids, neutral values,
// the creation-time application order and the typed read/write entry points.
#include "scene/property_table.h"


#include "core/errors.h"
#include "scene/kuzo_object.h"
#include "vars/float80.h"
#include "vars/param_convert.h"

namespace kuzo {

namespace {

constexpr const char* kGetPropError = "GetPropエラー";
constexpr const char* kSetPropError = "SetPropエラー";

const PropertyInfo kProperties[kPropertyCount] = {
    {"PR_NAME", PT_STR, "名前"},  // 0
    {"PR_PARENT", PT_STR, "親"},  // 1
    {"PR_SOURCE", PT_STR, "ソース"},  // 2
    {"PR_LEFT", PT_INT, "X座標"},  // 3
    {"PR_TOP", PT_INT, "Y座標"},  // 4
    {"PR_WIDTH", PT_INT, "幅"},  // 5
    {"PR_HEIGHT", PT_INT, "高さ"},  // 6
    {"PR_ZOOMX", PT_INT, "ズームX"},  // 7
    {"PR_COLOR", PT_INT, "色"},  // 8
    {"PR_BORDERWIDTH", PT_INT, "枠幅"},  // 9
    {"PR_BORDERCOLOR", PT_INT, "枠色"},  // 10
    {"PR_ALPHA", PT_INT, "アルファ"},  // 11
    {"PR_PRIORITY", PT_INT, "プライオリティ"},  // 12
    {"PR_OFFSETX", PT_INT, "X中心座標"},  // 13
    {"PR_OFFSETY", PT_INT, "Y中心座標"},  // 14
    {"PR_FONTNAME", PT_STR, "フォント名"},  // 15
    {"PR_FONTHEIGHT", PT_INT, "フォントサイズ"},  // 16
    {"PR_FONTSTYLE", PT_INT, "フォントスタイル"},  // 17
    {"PR_LINESPACE", PT_INT, "行間"},  // 18
    {"PR_FONTCOLOR", PT_INT, "フォント色"},  // 19
    {"PR_FONTLINKCOLOR", PT_INT, "リンクの色"},  // 20
    {"PR_FONTBORDERCOLOR", PT_INT, "フォントの縁の色"},  // 21
    {"PR_FONTHOVERCOLOR", PT_INT, "マウスオーバー時の\r\nフォント色"},  // 22
    {"PR_FONTHOVERSTYLE", PT_INT, "マウスオーバー時の\r\nフォントスタイル"},  // 23
    {"PR_HOVERCOLOR", PT_INT, "マウスオーバー時の色"},  // 24
    {"PR_ANTIALIAS", PT_BOOL, "アンチエイリアス"},  // 25
    {"PR_DELAY", PT_INT, "ウエイト"},  // 26
    {"PR_PAUSED", PT_BOOL, "停止"},  // 27
    {"PR_VOLUME", PT_INT, "音量"},  // 28
    {"PR_REPEAT", PT_BOOL, "リピート"},  // 29
    {"PR_BALANCE", PT_INT, "バランス"},  // 30
    {"PR_ANGLE", PT_INT, "角度"},  // 31
    {"PR_ONPLAYING", PT_STR, "再生中"},  // 32
    {"PR_ONNOTIFY", PT_STR, "汎用イベント"},  // 33
    {"PR_ONMOUSEMOVE", PT_STR, "マウス移動"},  // 34
    {"PR_ONMOUSEOUT", PT_STR, "マウスアウト"},  // 35
    {"PR_ONLBTNDOWN", PT_STR, "左ボタンダウン"},  // 36
    {"PR_ONLBTNUP", PT_STR, "左ボタンアップ"},  // 37
    {"PR_ONRBTNDOWN", PT_STR, "右ボタンダウン"},  // 38
    {"PR_ONRBTNUP", PT_STR, "右ボタンアップ"},  // 39
    {"PR_ONWHEELDOWN", PT_STR, "ホイールダウン"},  // 40
    {"PR_ONWHEELUP", PT_STR, "ホイールアップ"},  // 41
    {"PR_BRIGHTNESS", PT_INT, "明るさ"},  // 42
    {"PR_ONPLAYEND", PT_STR, "再生終了"},  // 43
    {"PR_INDEX", PT_INT, "インデックス"},  // 44
    {"PR_COUNT", PT_INT, "カウント"},  // 45
    {"PR_ONLINK", PT_STR, "リンク"},  // 46
    {"PR_VISIBLE", PT_BOOL, "可視"},  // 47
    {"PR_COLCOUNT", PT_INT, "列数"},  // 48
    {"PR_ROWCOUNT", PT_INT, "行数"},  // 49
    {"PR_TEXT", PT_STR, "テキスト"},  // 50
    {"PR_MARGINX", PT_INT, "左右の余白"},  // 51
    {"PR_MARGINY", PT_INT, "上下の余白"},  // 52
    {"PR_HALIGN", PT_INT, "横の揃え"},  // 53
    {"PR_BORDERSOURCETL", PT_STR, "枠画像(左上)"},  // 54
    {"PR_BORDERSOURCETC", PT_STR, "枠画像(上)"},  // 55
    {"PR_BORDERSOURCETR", PT_STR, "枠画像(右上)"},  // 56
    {"PR_BORDERSOURCECL", PT_STR, "枠画像(左)"},  // 57
    {"PR_BORDERSOURCECC", PT_STR, "枠画像(背景)"},  // 58
    {"PR_BORDERSOURCECR", PT_STR, "枠画像(右)"},  // 59
    {"PR_BORDERSOURCEBL", PT_STR, "枠画像(左下)"},  // 60
    {"PR_BORDERSOURCEBC", PT_STR, "枠画像(下)"},  // 61
    {"PR_BORDERSOURCEBR", PT_STR, "枠画像(右下)"},  // 62
    {"PR_BORDERHALIGNT", PT_INT, "枠横揃え(上)"},  // 63
    {"PR_BORDERHALIGNC", PT_INT, "枠横揃え(背景)"},  // 64
    {"PR_BORDERHALIGNB", PT_INT, "枠横揃え(下)"},  // 65
    {"PR_BORDERVALIGNL", PT_INT, "枠縦揃え(左)"},  // 66
    {"PR_BORDERVALIGNC", PT_INT, "枠縦揃え(背景)"},  // 67
    {"PR_BORDERVALIGNR", PT_INT, "枠縦揃え(右)"},  // 68
    {"PR_SCROLLSOURCE", PT_STR, "スクロールバー画像"},  // 69
    {"PR_CHECKSOURCE", PT_STR, "チェック画像"},  // 70
    {"PR_AUTOSCRAP", PT_BOOL, "自動破棄"},  // 71
    {"PR_ONSELECT", PT_STR, "選択"},  // 72
    {"PR_RCLICKSCRAP", PT_BOOL, "右クリックで破棄"},  // 73
    {"PR_ONOPENING", PT_STR, "オープン前"},  // 74
    {"PR_ONOPENED", PT_STR, "オープン後"},  // 75
    {"PR_ONCLOSING", PT_STR, "クローズ前"},  // 76
    {"PR_ONCLOSED", PT_STR, "クローズ後"},  // 77
    {"PR_CARETX", PT_INT, "キャレットX"},  // 78
    {"PR_CARETY", PT_INT, "キャレットY"},  // 79
    {"PR_IGNOREMOUSE", PT_INT, "マウス透過"},  // 80
    {"PR_TEXTPAUSED", PT_BOOL, "テキスト一時停止"},  // 81
    {"PR_TEXTDELAY", PT_INT, "テキストウエイト率"},  // 82
    {"PR_HOVERSOURCE", PT_STR, "マウスオーバー時の\r\n画像"},  // 83
    {"PR_PRESSEDSOURCE", PT_STR, "押された時の画像"},  // 84
    {"PR_GROUPINDEX", PT_INT, "グループ番号"},  // 85
    {"PR_ALLOWALLUP", PT_BOOL, "全解除許可"},  // 86
    {"PR_SELECTED", PT_BOOL, "選択"},  // 87
    {"PR_CAPTUREMASK", PT_BOOL, "マウス位置を\r\nマスクで判断"},  // 88
    {"PR_POWER", PT_INT, "強さ"},  // 89
    {"PR_ORIGWIDTH", PT_INT, "元の幅"},  // 90
    {"PR_ORIGHEIGHT", PT_INT, "元の高さ"},  // 91
    {"PR_APPEARX", PT_INT, "X発生座標"},  // 92
    {"PR_APPEARY", PT_INT, "Y発生座標"},  // 93
    {"PR_PARTMOTION", PT_INT, "動作タイプ"},  // 94
    {"PR_PARAM1", PT_FLOAT, "パラメータ1"},  // 95
    {"PR_PARAM2", PT_FLOAT, "パラメータ2"},  // 96
    {"PR_TOPINDEX", PT_INT, "最上部インデックス"},  // 97
    {"PR_READONLY", PT_BOOL, "編集禁止"},  // 98
    {"PR_CURSOR", PT_STR, "カーソル"},  // 99
    {"PR_POSZOOMED", PT_BOOL, "ズーム座標"},  // 100
    {"PR_ONPLAYSTART", PT_STR, "再生開始"},  // 101
    {"PR_PARAM3", PT_FLOAT, "パラメータ3"},  // 102
    {"PR_ONMOUSEIN", PT_STR, "マウスイン"},  // 103
    {"PR_ONMAPIN", PT_STR, "マップイン"},  // 104
    {"PR_ONMAPOUT", PT_STR, "マップアウト"},  // 105
    {"PR_MAPSOURCE", PT_STR, "マップ"},  // 106
    {"PR_AMP", PT_INT, "振幅"},  // 107
    {"PR_WAVELEN", PT_INT, "波長"},  // 108
    {"PR_SCROLLX", PT_INT, "スクロールX"},  // 109
    {"PR_SCROLLY", PT_INT, "スクロールY"},  // 110
    {"PR_FLIPH", PT_BOOL, "横反転"},  // 111
    {"PR_FLIPV", PT_BOOL, "縦反転"},  // 112
    {"PR_ONIDLE", PT_STR, "アイドル"},  // 113
    {"PR_DISTANCEX", PT_INT, "横の間隔"},  // 114
    {"PR_DISTANCEY", PT_INT, "縦の間隔"},  // 115
    {"PR_CLIPLEFT", PT_INT, "クリップX"},  // 116
    {"PR_CLIPTOP", PT_INT, "クリップY"},  // 117
    {"PR_CLIPWIDTH", PT_INT, "クリップ幅"},  // 118
    {"PR_CLIPHEIGHT", PT_INT, "クリップ高さ"},  // 119
    {"PR_DURATION", PT_INT, "持続時間"},  // 120
    {"PR_THUMBSOURCE", PT_STR, "つまみ画像"},  // 121
    {"PR_BUTTONSOURCE", PT_STR, "ボタン画像"},  // 122
    {"PR_MIN", PT_INT, "最小値"},  // 123
    {"PR_MAX", PT_INT, "最大値"},  // 124
    {"PR_VALUE", PT_INT, "値"},  // 125
    {"PR_ORIENTATION", PT_INT, "方向"},  // 126
    {"PR_SMALLCHANGE", PT_INT, "変化量"},  // 127
    {"PR_LARGECHANGE", PT_INT, "大きい変化量"},  // 128
    {"PR_MAPTEXT", PT_STR, "マップテキスト"},  // 129
    {"PR_GLYPHWIDTH", PT_INT, "１個の幅"},  // 130
    {"PR_GLYPHHEIGHT", PT_INT, "１個の高さ"},  // 131
    {"PR_ZOOMY", PT_INT, "ズームY"},  // 132
    {"PR_CLICKEDSOURCE", PT_STR, "クリック後の画像"},  // 133
    {"PR_ANIPAUSED", PT_BOOL, "動画停止"},  // 134
    {"PR_ONHOLD", PT_STR, "ホールド"},  // 135
    {"PR_ONRELEASE", PT_STR, "リリース"},  // 136
    {"PR_REVERSE", PT_BOOL, "逆方向"},  // 137
    {"PR_PLAYING", PT_BOOL, "再生中"},  // 138
    {"PR_REWINDONLOAD", PT_BOOL, "ロード時巻き戻し"},  // 139
    {"PR_COMPOTYPE", PT_INT, "コンポーネントの種類"},  // 140
    {"PR_FONTSHADOWCOLOR", PT_INT, "フォントの影の色"},  // 141
    {"PR_FONTBORDER", PT_INT, "フォントの縁の幅"},  // 142
    {"PR_FONTSHADOW", PT_INT, "フォントの影の位置"},  // 143
    {"PR_ONKEYDOWN", PT_STR, "キーダウン"},  // 144
    {"PR_ONKEYUP", PT_STR, "キーアップ"},  // 145
    {"PR_ONKEYREPEAT", PT_STR, "キーリピート"},  // 146
    {"PR_HANDLEKEY", PT_INT, "キー処理"},  // 147
    {"PR_ONFOCUSIN", PT_STR, "フォーカスイン"},  // 148
    {"PR_ONFOCUSOUT", PT_STR, "フォーカスアウト"},  // 149
    {"PR_OVERLAY", PT_BOOL, "オーバーレイ"},  // 150
    {"PR_TAG", PT_STR, "タグ"},  // 151
    {"PR_CAPTURELINK", PT_BOOL, "マウス判定を\r\nリンク文字のみ"},  // 152
    {"PR_FONTHOVERBORDER", PT_INT, "マウスオーバー時の\r\nフォントの縁の幅"},  // 153
    {"PR_FONTHOVERBORDERCOLOR", PT_INT, "マウスオーバー時の\r\nフォントの縁の色"},  // 154
    {"PR_FONTHOVERSHADOW", PT_INT, "マウスオーバー時の\r\nフォントの影の位置"},  // 155
    {"PR_FONTHOVERSHADOWCOLOR", PT_INT, "マウスオーバー時の\r\nフォントの影の色"},  // 156
    {"PR_BARSIZE", PT_INT, "バーの長さ"},  // 157
    {"PR_MUTEONLOAD", PT_BOOL, "ロード時ミュート"},  // 158
    {"PR_PLUSX", PT_INT, "X座標加算値"},  // 159
    {"PR_PLUSY", PT_INT, "Y座標加算値"},  // 160
    {"PR_CARETHEIGHT", PT_INT, "キャレットの高さ"},  // 161
};

std::array<uint8_t, kPropertyCount> BuildApplicationOrder() {
  // Ids that leave their ascending place, and the id each group follows.
  static const uint8_t kAfterSource[] = {PR_ZOOMX, PR_ZOOMY, PR_POSZOOMED, PR_WIDTH, PR_HEIGHT,
                                         PR_LEFT,  PR_TOP,   PR_COLOR,     PR_BARSIZE};
  static const uint8_t kAfterOffsetY[] = {PR_PLUSX, PR_PLUSY};
  static const uint8_t kAfterHoverColor[] = {PR_FONTHOVERBORDER, PR_FONTHOVERBORDERCOLOR,
                                             PR_FONTHOVERSHADOW, PR_FONTHOVERSHADOWCOLOR};
  static const uint8_t kAfterCaretY[] = {PR_CARETHEIGHT};
  bool moved[kPropertyCount] = {};
  for (uint8_t id : kAfterSource) moved[id] = true;
  for (uint8_t id : kAfterOffsetY) moved[id] = true;
  for (uint8_t id : kAfterHoverColor) moved[id] = true;
  for (uint8_t id : kAfterCaretY) moved[id] = true;
  moved[PR_MUTEONLOAD] = true;

  std::array<uint8_t, kPropertyCount> order{};
  size_t n = 0;
  auto append = [&](const uint8_t* ids, size_t count) {
    for (size_t i = 0; i < count; ++i) order[n++] = ids[i];
  };
  for (int id = 0; id < kPropertyCount; ++id) {
    if (moved[id]) continue;
    order[n++] = static_cast<uint8_t>(id);
    if (id == PR_SOURCE) append(kAfterSource, std::size(kAfterSource));
    if (id == PR_OFFSETY) append(kAfterOffsetY, std::size(kAfterOffsetY));
    if (id == PR_HOVERCOLOR) append(kAfterHoverColor, std::size(kAfterHoverColor));
    if (id == PR_CARETY) append(kAfterCaretY, std::size(kAfterCaretY));
  }
  order[n++] = PR_MUTEONLOAD;
  return order;
}

}  // namespace

const PropertyInfo& PropertyInfoOf(int id) { return kProperties[id]; }

PropType PropertyType(int id) { return IsValidPropertyId(id) ? kProperties[id].type : PT_NONE; }

const std::array<uint8_t, kPropertyCount>& PropertyApplicationOrder() {
  static const std::array<uint8_t, kPropertyCount> order = BuildApplicationOrder();
  return order;
}

bool IsWriteRaisingProperty(int id) { return id == PR_APPEARX || id == PR_APPEARY; }

PropValue EmptyPropValue(PropType type) {
  switch (type) {
    case PT_FLOAT: return static_cast<long double>(0);
    case PT_BOOL: return false;
    case PT_STR: return std::string();
    default: return int32_t{0};
  }
}

int32_t NeutralInt(int id) {
  switch (id) {
    case PR_ZOOMX:
    case PR_ZOOMY:
    case PR_TEXTDELAY: return 256;
    case PR_ALPHA:
    case PR_BRIGHTNESS: return 255;
    case PR_COLOR: return 0xFFFFFF;
    case PR_BORDERCOLOR:
    case PR_INDEX:
    case PR_HOVERCOLOR: return -1;
    case PR_SMALLCHANGE:
    case PR_LARGECHANGE:
    case PR_PARTMOTION: return 1;
    default: return 0;
  }
}

bool NeutralBool(int id) { return id == PR_REWINDONLOAD || id == PR_OVERLAY; }

long double NeutralFloat(int) { return 0; }

PropValue ConvertPropValue(const PropValue& value, PropType type) {
  switch (type) {
    case PT_INT:
      if (auto* i = std::get_if<int32_t>(&value)) return *i;
      if (auto* f = std::get_if<long double>(&value)) return FloatToInt32(*f);
      if (auto* b = std::get_if<bool>(&value)) return int32_t{*b ? 1 : 0};
      return TextToInteger(std::get<std::string>(value));
    case PT_FLOAT:
      if (auto* i = std::get_if<int32_t>(&value)) return static_cast<long double>(*i);
      if (auto* f = std::get_if<long double>(&value)) return *f;
      if (auto* b = std::get_if<bool>(&value)) return static_cast<long double>(*b ? 1 : 0);
      return TextToFloat(std::get<std::string>(value));
    case PT_BOOL:
      if (auto* i = std::get_if<int32_t>(&value)) return *i != 0;
      if (auto* f = std::get_if<long double>(&value)) return *f != 0;
      if (auto* b = std::get_if<bool>(&value)) return *b;
      return TextToFlag(std::get<std::string>(value));
    case PT_STR:
      if (auto* i = std::get_if<int32_t>(&value)) return IntegerToText(*i);
      if (auto* f = std::get_if<long double>(&value)) return FloatToText(*f);
      if (auto* b = std::get_if<bool>(&value)) return FlagToText(*b);
      return std::get<std::string>(value);
    default:
      return value;
  }
}

PropValue GetPropertyValue(const TKuzoObject& obj, int id) {
  if (!IsValidPropertyId(id)) throw KuzoError(kGetPropError);
  switch (kProperties[id].type) {
    case PT_INT: return obj.GetIntProp(static_cast<PropId>(id));
    case PT_FLOAT: return obj.GetFloatProp(static_cast<PropId>(id));
    case PT_BOOL: return obj.GetBoolProp(static_cast<PropId>(id));
    default: return obj.GetStrProp(static_cast<PropId>(id));
  }
}

void SetPropertyValue(TKuzoObject& obj, int id, const PropValue& value) {
  if (!IsValidPropertyId(id) || IsWriteRaisingProperty(id)) throw KuzoError(kSetPropError);
  PropType type = kProperties[id].type;
  PropValue v = ConvertPropValue(value, type);
  PropId pid = static_cast<PropId>(id);
  switch (type) {
    case PT_INT: obj.SetIntProp(pid, std::get<int32_t>(v)); break;
    case PT_FLOAT: obj.SetFloatProp(pid, std::get<long double>(v)); break;
    case PT_BOOL: obj.SetBoolProp(pid, std::get<bool>(v)); break;
    default: obj.SetStrProp(pid, std::get<std::string>(v)); break;
  }
}

}  // namespace kuzo
