// Applies one reply text ("name||value") from the host to Form1.
#pragma once

#include <string_view>

namespace trezik {

// Names are compared after lower-casing; values are stored exactly as they
// came, except the speed of "gpsspd", which only ever raises maxspeed, and
// the total ("tripmeter", "$tripmeter$"), which is taken only when it reads
// as a number in the user's format. An empty text, an unknown name or a name
// without a value changes nothing. Throws nothing but a failure to allocate.
void ParseReply(std::string_view text);

}  // namespace trezik
