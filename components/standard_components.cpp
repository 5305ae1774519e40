// The kind-code factory entries of the concrete components.
#include "components/standard_components.h"

#include <memory>

#include "components/kuzo_box.h"
#include "scene/kuzo_base_list.h"

namespace kuzo {

void RegisterStandardComponents(TKuzoBaseList& scene) {
  scene.RegisterKind(LT_BOX, [] { return std::make_unique<TKuzoBox>(); });
}

}  // namespace kuzo
