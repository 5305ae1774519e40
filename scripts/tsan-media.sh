#!/usr/bin/env bash
# Builds the threaded tests with ThreadSanitizer in build-tsan/ and runs them: the media library
# (mixer, decoders, MIDI synthesiser and wave output against the main thread), the sound, movie
# and download components in their scenes (sound items on the mixer, movie frames decoded while
# the scene draws, download workers finishing while the scene ticks), the sound titles played by
# the player, and the platform's sound device thread and download worker.
# Usage: scripts/tsan-media.sh [gtest filter for the media library's tests]
set -eu
cd "$(dirname "$0")/.."
cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKUZO_BENCH=OFF \
  -DCMAKE_CXX_FLAGS=-fsanitize=thread -DCMAKE_C_FLAGS=-fsanitize=thread \
  -DCMAKE_EXE_LINKER_FLAGS=-fsanitize=thread >/dev/null
nice cmake --build build-tsan -j2 --target tests_media tests_components tests_platform
export TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 suppressions=$PWD/tests/media/tsan.supp"
export SDL_AUDIODRIVER=dummy SDL_VIDEODRIVER=dummy
build-tsan/tests/tests_media --gtest_filter="${1:-*}"
build-tsan/tests/tests_components \
  --gtest_filter='SoundComponent*:SoundRecord*:VideoComponent*:OverlayMovie*:VideoWithoutMedia*:HttpComponent*:SoundLatency*:AudioTitle*:MixerFade*'
build-tsan/tests/tests_platform --gtest_filter='HttpDownload*:AudioDevice*'
