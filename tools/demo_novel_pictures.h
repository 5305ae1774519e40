// The demo novel's pictures, drawn from code: its backgrounds (the station at dusk, the hilltop
// at sunset, the hill at night, Minato's room, a summer morning) and Koharu, a stylised figure
// whose mask fades softly at her edges; and button faces in three sizes and three states.
// The transition gallery's rule image and the text page's inline mark too. kuzotool demo-pictures
// writes them beside the others.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "graphics/image_formats/image_file.h"

namespace kuzo::tool {

// Every picture of the novel with the file name the demo's pages use for it.
std::vector<std::pair<std::string, TDrelFrameList>> DrawNovelPictures();

}  // namespace kuzo::tool
