#include "pages/BinaryIO.h"

#include "pages/AnnotationText.h"

#include <array>
#include <bit>
#include <cstring>

namespace pages {

namespace {

void PutUint32(std::uint8_t* out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        out[i] = static_cast<std::uint8_t>(v >> (8 * i));
    }
}

std::uint32_t GetUint32(const std::uint8_t* in) {
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i) {
        v |= static_cast<std::uint32_t>(in[i]) << (8 * i);
    }
    return v;
}

void PutInt32(std::uint8_t* out, std::int32_t v) {
    PutUint32(out, static_cast<std::uint32_t>(v));
}
std::int32_t GetInt32(const std::uint8_t* in) {
    return static_cast<std::int32_t>(GetUint32(in));
}

void PutDouble(std::uint8_t* out, double v) {
    const auto bits = std::bit_cast<std::uint64_t>(v);
    PutUint32(out, static_cast<std::uint32_t>(bits));
    PutUint32(out + 4, static_cast<std::uint32_t>(bits >> 32));
}

double GetDouble(const std::uint8_t* in) {
    const std::uint64_t bits = static_cast<std::uint64_t>(GetUint32(in)) |
                               static_cast<std::uint64_t>(GetUint32(in + 4)) << 32;
    return std::bit_cast<double>(bits);
}

using FixedBlock = std::array<std::uint8_t, kFixedBlockSize>;

FixedBlock EncodeFixed(const TPageInfo& page) {
    FixedBlock b{};
    PutDouble(&b[0], page.DailyRate);
    PutDouble(&b[8], page.Amplitude);
    PutDouble(&b[16], page.BeatError);
    b[24] = page.Valid ? 1 : 0;
    b[25] = page.Complete ? 1 : 0;
    b[26] = page.LongTerm ? 1 : 0;
    std::memcpy(&b[27], page.Reserved.data(), page.Reserved.size());
    PutDouble(&b[32], page.BeatsPerSecond);
    PutInt32(&b[40], page.LiftAngle);
    PutInt32(&b[44], page.AveragingPeriod);
    PutDouble(&b[48], page.Timestamp);
    return b;
}

// Fills the fixed fields of page; its annotation and picture are left alone.
void DecodeFixed(const FixedBlock& b, TPageInfo& page) {
    page.DailyRate = GetDouble(&b[0]);
    page.Amplitude = GetDouble(&b[8]);
    page.BeatError = GetDouble(&b[16]);
    page.Valid = b[24] != 0;
    page.Complete = b[25] != 0;
    page.LongTerm = b[26] != 0;
    std::memcpy(page.Reserved.data(), &b[27], page.Reserved.size());
    page.BeatsPerSecond = GetDouble(&b[32]);
    page.LiftAngle = GetInt32(&b[40]);
    page.AveragingPeriod = GetInt32(&b[44]);
    page.Timestamp = GetDouble(&b[48]);
}

bool WritePage(BlockFile& file, PageHistory& history, int number, const PageImageFiles& images) {
    TPageInfo& page = history.PageSlot(number);
    FixedBlock fixed = EncodeFixed(page);
    if (!WriteBlock(file, fixed.data(), fixed.size())) {
        return false;
    }
    if (!images.Folder.empty()) {
        if (page.Image == nullptr || page.Image->IsEmpty()) {
            history.SnapshotSlot(number, false);
        }
        const auto path = images.Folder / (PageImageName(number) + images.WrittenSuffix);
        if (page.Image == nullptr || !page.Image->SavePng(path.string())) {
            return false;
        }
    }
    const std::string_view annotation =
        ShortenUtf8(page.Annotation, PageHistory::kMaxAnnotationBytes);
    std::array<std::uint8_t, 4> length{};
    PutInt32(length.data(), static_cast<std::int32_t>(annotation.size()));
    if (!WriteBlock(file, length.data(), length.size())) {
        return false;
    }
    std::array<char, PageHistory::kMaxAnnotationBytes> bytes{};
    std::memcpy(bytes.data(), annotation.data(), annotation.size());
    return WriteBlock(file, bytes.data(), annotation.size());
}

bool ReadPage(BlockFile& file, PageHistory& history, int number, const PageImageFiles& images) {
    FixedBlock fixed{};
    if (!ReadBlock(file, fixed.data(), fixed.size())) {
        return false;
    }
    std::array<std::uint8_t, 4> length{};
    if (!ReadBlock(file, length.data(), length.size())) {
        return false;
    }
    const std::int32_t size = GetInt32(length.data());
    if (size < 0 || size > PageHistory::kMaxAnnotationBytes) {
        return false;
    }
    std::array<char, PageHistory::kMaxAnnotationBytes> bytes{};
    if (!ReadBlock(file, bytes.data(), static_cast<std::size_t>(size))) {
        return false;
    }

    TPageInfo& page = history.PageSlot(number);
    DecodeFixed(fixed, page);
    page.Annotation = AnnotationFromStoredBytes({bytes.data(), static_cast<std::size_t>(size)});
    history.SnapshotSlot(number, false);
    bool loaded = false;
    if (page.Image != nullptr && !images.Folder.empty()) {
        loaded = page.Image->LoadPng((images.Folder / PageImageName(number)).string());
    }
    if (page.Image != nullptr && !loaded) {
        page.Image->Fill(platform::kWhite); // a reused picture must not show an older page
    }
    history.SetPageCount(number);
    return true;
}

} // namespace

bool ReadBlock(BlockFile& file, void* buffer, std::size_t count) {
    return file.Read(buffer, count) == count;
}

bool WriteBlock(BlockFile& file, void* buffer, std::size_t count) {
    return file.Write(buffer, count) == count;
}

std::string PageImageName(int number) {
    return std::to_string(number) + ".png";
}

bool TransferPages(BlockOperation block, BlockFile& file, PageHistory& history,
                   const PageImageFiles& images) {
    const bool writing = block == &WriteBlock;
    std::array<std::uint8_t, 4> word{};
    PutInt32(word.data(), writing ? history.PageCount() : 0);
    if (!block(file, word.data(), word.size())) {
        return false;
    }
    const std::int32_t count = GetInt32(word.data());
    if (!writing) {
        history.SetPageCount(0); // pages count as they are read whole
    }
    if (count <= 0) {
        history.SetChanged(false);
        return true;
    }
    if (count > PageHistory::kMaxPages) {
        return false;
    }
    for (int number = 1; number <= count; ++number) {
        const bool ok = writing ? WritePage(file, history, number, images)
                                : ReadPage(file, history, number, images);
        if (!ok) {
            return false;
        }
    }
    history.SetChanged(false);
    return true;
}

} // namespace pages
