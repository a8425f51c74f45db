#include "platform/FileNames.h"

namespace platform {

std::string AppendDefaultExtension(const std::string& fileName,
                                   const std::string& defaultExtension) {
    std::string extension = defaultExtension;
    if (!extension.empty() && extension.front() == '.') {
        extension.erase(0, 1);
    }
    const std::size_t slash = fileName.find_last_of('/');
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    const std::size_t dot = fileName.find_last_of('.');
    // A dot that starts a hidden file's name (".trace") is no extension.
    const bool hasExtension = dot != std::string::npos && dot > nameStart;
    if (extension.empty() || fileName.size() == nameStart || hasExtension) {
        return fileName;
    }
    return fileName + "." + extension;
}

} // namespace platform
