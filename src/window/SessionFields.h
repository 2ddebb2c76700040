#pragma once

#include <string>
#include <vector>

namespace printbench::window {

// A command sequence as the technician set it up: the selected list and the values its
// commands read, as the fields hold them (texts, so that a file's values pass the same checks
// as typed ones).
struct SequenceFields {
    std::vector<std::string> entries;
    std::string repeat, delay, feed, text;
};

// The model, speed and density lists by their entries' texts.
struct ListTexts {
    std::string model, speed, density;
};

// The window's settings between sessions: the sequence, the lists and "Old ver". The port is
// not kept: nothing is sent until the technician chooses one.
struct SessionFields {
    SequenceFields sequence;
    ListTexts lists;
    bool oldVersion = false;
};

}  // namespace printbench::window
