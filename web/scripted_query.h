// The page's scripted mode, jellycube.html?fps=N&frame=K: the tools' scripted clock (frequency
// 1e6, frame k reading floor(k x 1e6 / N)) run up to frame K, which alone is drawn.
#pragma once

#include "support/frame_script.h"

#include <cstdint>
#include <string>

// Bounds that keep a shared link from asking for more than a page should run: a million
// frames is about 4.6 hours at 60 fps.
constexpr int64_t scripted_max_fps = 1000000;
constexpr int64_t scripted_max_frame = 1000000;

struct ScriptedQuery {
    FrameScript script; // valid when error is empty
    std::string error;  // one line for the page, naming the parameter and its value
};

// Reads the values of fps and frame as the query gives them (already URL-decoded): each
// must be plain decimal digits, from 1 to its bound. Anything else, a missing value
// included, gives an error and no script.
ScriptedQuery parse_scripted_query(const std::string& fps, const std::string& frame);
