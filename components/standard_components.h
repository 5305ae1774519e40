// Registers the creatable component kinds of this folder with a scene's kind-code factory.
#pragma once

namespace kuzo {

class TKuzoBaseList;

void RegisterStandardComponents(TKuzoBaseList& scene);

}  // namespace kuzo
