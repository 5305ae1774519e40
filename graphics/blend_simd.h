// Installers of the SIMD row kernels (x86 only). Each replaces entries of a kernel set with vector
// loops whose results equal the reference rules byte for byte; rows they do not handle (mirrored
// sources, short tails) run the shared scalar rules.
#pragma once

#include "graphics/blend_kernels.h"

#if defined(__x86_64__) || defined(__i386__)
#define KUZO_BLEND_X86 1
#else
#define KUZO_BLEND_X86 0
#endif

namespace kuzo {

#if KUZO_BLEND_X86
void InstallSse2Kernels(BlendKernels& kernels);
void InstallAvx2Kernels(BlendKernels& kernels);
void InstallAvx512Kernels(BlendKernels& kernels);
#endif

}  // namespace kuzo
