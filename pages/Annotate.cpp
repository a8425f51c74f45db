#include "pages/Annotate.h"

namespace pages {

std::string StripAccelerator(std::string_view caption) {
    const std::size_t mark = caption.find('&');
    if (mark == std::string_view::npos) {
        return std::string(caption);
    }
    return std::string(caption.substr(0, mark)) + std::string(caption.substr(mark + 1));
}

const std::array<std::string, kPositionCount>& PositionNames() {
    static const std::array<std::string, kPositionCount> names = [] {
        std::array<std::string, kPositionCount> result;
        for (std::size_t i = 0; i < result.size(); ++i) {
            result[i] = StripAccelerator(PositionCaptions[i]);
        }
        return result;
    }();
    return names;
}

std::int32_t PositionOf(std::string_view annotation) {
    const auto& names = PositionNames();
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (annotation == names[i]) {
            return static_cast<std::int32_t>(i + 1);
        }
    }
    return 0;
}

std::int32_t PositionOf(const TPageInfo& page) {
    return PositionOf(page.Annotation);
}

std::string PositionName(std::int32_t position) {
    if (position < 1 || position > kPositionCount) {
        return {};
    }
    return PositionNames()[static_cast<std::size_t>(position - 1)];
}

} // namespace pages
