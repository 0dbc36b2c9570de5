// The session file: a played session as text, written and read back with every field
// checked, so that a hostile file is refused in one line and bounded memory.
#pragma once

#include "scene/session.h"

#include <string>
#include <string_view>

// The text form: a version line, the counter rate, then one line a frame, "READING" or
// "READING PARTICLE X Y Z" with the target's floats as C hex floats (0x1.8p+1), which name
// their bits exactly.
std::string session_text(const Session& session);

// Reads the text form. Returns "" when the whole text is good, or one line that names the
// line number and what is wrong; `session` is only filled when the text is good.
std::string read_session_text(std::string_view text, Session& session);
