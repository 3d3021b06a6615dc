#pragma once

#include <string_view>
#include <vector>

// The English of the runtime's messages (the context "Messages" of translations/peakhound_en.ts),
// compiled from that file at build time so that the commands translate without Qt.
struct MessageTranslation {
    std::string_view German;
    std::string_view English;
};

const std::vector<MessageTranslation> &MessageCatalogue();
