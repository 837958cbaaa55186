#include "platform/MessageBoxService.h"

#include "platform/Mbcs.h"

#include <cstdio>
#include <utility>

namespace {
MessageBoxService::Handler& CurrentHandler() {
    static MessageBoxService::Handler handler;
    return handler;
}
} // namespace

MessageBoxService::Handler MessageBoxService::SetHandler(Handler handler) {
    return std::exchange(CurrentHandler(), std::move(handler));
}

int MessageBoxService::Show(const std::string& text, const std::string& caption,
                            unsigned int type) {
    if (CurrentHandler()) {
        return CurrentHandler()(text, caption, type);
    }
    const std::string readable = Mbcs::ToUtf8(text).value_or(text);
    std::fprintf(stderr, "%s\n", readable.c_str());
    return IDOK;
}
