// The kind-code factory entries of the concrete components: one line per component class.
#include "components/standard_components.h"

#include "components/kuzo_box.h"
#include "components/kuzo_button.h"
#include "components/kuzo_http.h"
#include "components/kuzo_images.h"
#include "components/kuzo_mes.h"
#include "components/kuzo_sound.h"
#include "components/kuzo_tile.h"
#include "components/kuzo_timer.h"
#include "components/kuzo_video.h"
#include "scene/kuzo_base_list.h"

namespace kuzo {

void RegisterStandardComponents(TKuzoBaseList& scene) {
  scene.RegisterKind<TKuzoBox>();
  scene.RegisterKind<TKuzoMes>();
  scene.RegisterKind<TKuzoImages>();
  scene.RegisterKind<TKuzoButton>();
  scene.RegisterKind<TKuzoTile>();
  scene.RegisterKind<TKuzoSound>();
  scene.RegisterKind<TKuzoTimer>();
  scene.RegisterKind<TKuzoVideo>();
  scene.RegisterKind<TKuzoHttp>();
}

}  // namespace kuzo
