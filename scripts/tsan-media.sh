#!/usr/bin/env bash
# Builds the media tests with ThreadSanitizer in build-tsan/ and runs them: the audio, MIDI and
# wave-output threads against the main thread. Usage: scripts/tsan-media.sh [gtest filter]
set -eu
cd "$(dirname "$0")/.."
cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKUZO_BENCH=OFF \
  -DCMAKE_CXX_FLAGS=-fsanitize=thread -DCMAKE_C_FLAGS=-fsanitize=thread \
  -DCMAKE_EXE_LINKER_FLAGS=-fsanitize=thread >/dev/null
nice cmake --build build-tsan -j2 --target tests_media
TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 suppressions=$PWD/tests/media/tsan.supp" \
  build-tsan/tests/tests_media --gtest_filter="${1:-*}"
