#pragma once

#include "pages/BlockFile.h"
#include "pages/PageHistory.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

namespace pages {

// The page history in "State.tkr": version, page count, then per page a fixed 56-byte
// block, the annotation length and the annotation bytes. Little-endian int32 and IEEE 754
// doubles. The page pictures "1.png" to "10.png" lie beside it.
inline constexpr std::int32_t kStateFileVersion = 3;
inline constexpr std::size_t kFixedBlockSize = 56; // bytes

// True when exactly count bytes were read, or written.
bool ReadBlock(BlockFile& file, void* buffer, std::size_t count);
bool WriteBlock(BlockFile& file, void* buffer, std::size_t count);
using BlockOperation = bool (*)(BlockFile&, void*, std::size_t);

// Where TransferPages reads and writes the page pictures. With an empty folder no picture
// file is touched (a loaded page then keeps a blank picture).
struct PageImageFiles {
    std::filesystem::path Folder;
    // Appended to the names of the pictures written, so that a save can put them in place
    // only once the whole state has been written.
    std::string WrittenSuffix;
};

// The file name of page number's picture: "%d.png".
std::string PageImageName(int number);

// Moves the history through the file in either direction with the same sequence of blocks:
// ReadBlock replaces the pages of the history with those of the file, WriteBlock writes
// them (with their pictures). True when every block was transferred; the changed flag is
// then cleared.
//
// Reading takes a page into the history only once it is read whole, so after a failure the
// pages counted are those read so far, each with a picture. A page count above 10 or an
// annotation longer than 256 bytes is a failure that touches nothing beyond the ten slots;
// any input is safe to read. A page picture that cannot be loaded leaves the page a blank
// one. Writing shortens an annotation longer than 256 bytes at a character boundary; a
// picture that cannot be written fails the transfer.
bool TransferPages(BlockOperation block, BlockFile& file, PageHistory& history,
                   const PageImageFiles& images);

} // namespace pages
