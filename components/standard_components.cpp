// The kind-code factory entries of the concrete components: one line per component class.
#include "components/standard_components.h"

#include "components/kuzo_box.h"
#include "components/kuzo_mes.h"
#include "scene/kuzo_base_list.h"

namespace kuzo {

void RegisterStandardComponents(TKuzoBaseList& scene) {
  scene.RegisterKind<TKuzoBox>();
  scene.RegisterKind<TKuzoMes>();
}

}  // namespace kuzo
