#include "pages/BinaryIO.h"

#include "PagesTestSupport.h"

#include <gtest/gtest.h>

#include <random>

using pages::MemoryBlockFile;
using pages::PageHistory;
using pages::ReadBlock;
using pages::TransferPages;
using pages::WriteBlock;
using pages_test::AppendBytes;
using pages_test::AppendEntry;
using pages_test::AppendInt32;

namespace {

const pages::PageImageFiles kNoPictures{};

std::vector<std::uint8_t> Write(PageHistory& history) {
    MemoryBlockFile file;
    EXPECT_TRUE(TransferPages(&WriteBlock, file, history, kNoPictures));
    return file.Written();
}

bool Read(PageHistory& history, const std::vector<std::uint8_t>& bytes) {
    MemoryBlockFile file(bytes);
    return TransferPages(&ReadBlock, file, history, kNoPictures);
}

void AddPage(PageHistory& history, double rate, const std::string& annotation) {
    history.RecordResult(true, rate, 270, 0.3);
    history.CommitPage(52, 20, 8.0);
    history.SetPageAnnotation(0, annotation);
}

} // namespace

TEST(TransferPages, WritesTheEntryByteForByte) {
    PageHistory history([] { return 2.5; });
    history.RecordResult(true, 1.5, -2.0, 0.25);
    history.CommitLongTermPage(52, 20, 5.0);
    history.SetPageAnnotation(1, "Dial Up");

    std::vector<std::uint8_t> expected;
    AppendInt32(expected, 1);
    AppendBytes(expected, {0, 0, 0, 0, 0, 0, 0xF8, 0x3F}); // 1.5
    AppendBytes(expected, {0, 0, 0, 0, 0, 0, 0x00, 0xC0}); // -2.0
    AppendBytes(expected, {0, 0, 0, 0, 0, 0, 0xD0, 0x3F}); // 0.25
    AppendBytes(expected, {1, 1, 1, 0, 0, 0, 0, 0});       // flags, reserved
    AppendBytes(expected, {0, 0, 0, 0, 0, 0, 0x14, 0x40}); // 5.0
    AppendBytes(expected, {52, 0, 0, 0, 20, 0, 0, 0});     // lift angle, period
    AppendBytes(expected, {0, 0, 0, 0, 0, 0, 0x04, 0x40}); // 2.5
    AppendBytes(expected, {7, 0, 0, 0, 'D', 'i', 'a', 'l', ' ', 'U', 'p'});
    EXPECT_EQ(Write(history), expected);
    EXPECT_FALSE(history.PagesChanged());
}

TEST(TransferPages, EmptyAnnotationHasLengthZeroAndNoBytes) {
    PageHistory history;
    AddPage(history, 1, "");
    AddPage(history, 2, "x");
    const auto bytes = Write(history);
    ASSERT_EQ(bytes.size(), 4u + 60 + 61);
    EXPECT_EQ(bytes[4 + 56], 0);
    EXPECT_EQ(bytes[4 + 60 + 56], 1);
    EXPECT_EQ(bytes.back(), 'x');
}

TEST(TransferPages, ReadsWhatItWroteAndKeepsTheReservedBytes) {
    std::vector<std::uint8_t> file;
    AppendInt32(file, 2);
    auto block = pages_test::FixedBlock(9);
    block[25] = 1;
    for (int i = 27; i < 32; ++i) {
        block[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i);
    }
    file.insert(file.end(), block.begin(), block.end());
    AppendInt32(file, 0);
    AppendEntry(file, 7, "Crown Down");

    PageHistory history;
    history.SetChanged(true);
    ASSERT_TRUE(Read(history, file));
    EXPECT_FALSE(history.PagesChanged());
    ASSERT_EQ(history.PageCount(), 2);
    const auto first = history.GetPage(1);
    EXPECT_TRUE(first.Valid);
    EXPECT_TRUE(first.Complete);
    EXPECT_FALSE(first.LongTerm);
    EXPECT_EQ(first.Reserved, (std::array<std::uint8_t, 5>{27, 28, 29, 30, 31}));
    EXPECT_EQ(history.GetPage(2).Annotation, "Crown Down");
    // Every page read has a picture, blank when there is no picture file.
    ASSERT_NE(first.Image, nullptr);
    EXPECT_EQ(first.Image->Pixel(0, 0), platform::kWhite);

    history.SetChanged(true);
    EXPECT_EQ(Write(history), file);
}

TEST(TransferPages, AnyNonZeroFlagByteIsTrue) {
    std::vector<std::uint8_t> file;
    AppendInt32(file, 1);
    auto block = pages_test::FixedBlock(1);
    block[24] = 0;
    block[25] = 0x80;
    block[26] = 2;
    file.insert(file.end(), block.begin(), block.end());
    AppendInt32(file, 0);
    PageHistory history;
    ASSERT_TRUE(Read(history, file));
    EXPECT_FALSE(history.GetPage(1).Valid);
    EXPECT_TRUE(history.GetPage(1).Complete);
    EXPECT_TRUE(history.GetPage(1).LongTerm);
}

TEST(TransferPages, ZeroOrNegativeCountIsAnEmptyHistory) {
    for (std::int32_t count : {0, -1, -2147483647 - 1}) {
        PageHistory history;
        AddPage(history, 1, "old");
        std::vector<std::uint8_t> file;
        AppendInt32(file, count);
        EXPECT_TRUE(Read(history, file)) << count;
        EXPECT_EQ(history.PageCount(), 0) << count;
        EXPECT_FALSE(history.PagesChanged()) << count;
    }
}

TEST(TransferPages, RejectsMoreThanTenPages) {
    std::vector<std::uint8_t> file;
    AppendInt32(file, 11);
    for (int i = 1; i <= 11; ++i) {
        AppendEntry(file, static_cast<std::uint8_t>(i), "p");
    }
    PageHistory history;
    EXPECT_FALSE(Read(history, file));
    EXPECT_EQ(history.PageCount(), 0);
    EXPECT_FALSE(history.PagesChanged());
}

TEST(TransferPages, RejectsAnAnnotationLongerThan256BytesAndKeepsThePagesBefore) {
    for (std::int32_t length : {300, 257, -1}) {
        std::vector<std::uint8_t> file;
        AppendInt32(file, 3);
        AppendEntry(file, 1, "first");
        AppendEntry(file, 2, std::string(256, 'a')); // the longest that fits
        const auto block = pages_test::FixedBlock(3);
        file.insert(file.end(), block.begin(), block.end());
        AppendInt32(file, length);
        file.insert(file.end(), 300, 'b');
        PageHistory history;
        EXPECT_FALSE(Read(history, file)) << length;
        ASSERT_EQ(history.PageCount(), 2) << length;
        EXPECT_EQ(history.GetPage(2).Annotation, std::string(256, 'a'));
        EXPECT_NE(history.GetPage(2).Image, nullptr);
    }
}

TEST(TransferPages, ReadsEightBitAnnotationsAsWindows1252) {
    std::vector<std::uint8_t> file;
    AppendInt32(file, 2);
    AppendEntry(file, 1, "Gen\xE8ve \x80 \x93ok\x94");
    AppendEntry(file, 2, "Gen\xC3\xA8ve"); // already UTF-8
    PageHistory history;
    ASSERT_TRUE(Read(history, file));
    EXPECT_EQ(history.GetPage(1).Annotation, "Gen\u00E8ve \u20AC \u201Cok\u201D");
    EXPECT_EQ(history.GetPage(2).Annotation, "Gen\u00E8ve");
}

TEST(TransferPages, LongAnnotationsAreShortenedAtACharacterBoundary) {
    PageHistory history;
    AddPage(history, 1, std::string(300, 'z'));
    std::string accents;
    for (int i = 0; i < 150; ++i) {
        accents += "\u00E9"; // two bytes each
    }
    AddPage(history, 2, "a" + accents); // the cut at 256 falls inside a character
    const auto bytes = Write(history);

    PageHistory reread;
    ASSERT_TRUE(Read(reread, bytes));
    EXPECT_EQ(reread.GetPage(1).Annotation, std::string(256, 'z'));
    const std::string second = reread.GetPage(2).Annotation;
    EXPECT_EQ(second.size(), 255u);
    EXPECT_EQ(second, ("a" + accents).substr(0, 255));
}

TEST(TransferPages, FileCutShortLoadsThePagesReadWhole) {
    PageHistory history;
    for (int n = 1; n <= 4; ++n) {
        AddPage(history, n, "page " + std::to_string(n));
    }
    const auto whole = Write(history);
    const std::size_t entry = 60 + 6;
    for (std::size_t size = 0; size < whole.size(); ++size) {
        const std::vector<std::uint8_t> cut(whole.begin(),
                                            whole.begin() + static_cast<std::ptrdiff_t>(size));
        PageHistory reread;
        ASSERT_FALSE(Read(reread, cut)) << size;
        const auto pagesWhole = static_cast<std::int32_t>(size < 4 ? 0 : (size - 4) / entry);
        ASSERT_EQ(reread.PageCount(), pagesWhole) << size;
        for (int n = 1; n <= pagesWhole; ++n) {
            ASSERT_NE(reread.GetPage(n).Image, nullptr);
            ASSERT_EQ(reread.GetPage(n).DailyRate, n);
        }
    }
}

TEST(TransferPages, RandomBytesNeverCrash) {
    std::mt19937 random(12345);
    for (int round = 0; round < 2000; ++round) {
        std::vector<std::uint8_t> bytes(random() % 400);
        for (auto& b : bytes) {
            b = static_cast<std::uint8_t>(random());
        }
        if (bytes.size() >= 4 && (round % 2) == 0) {
            bytes[0] = static_cast<std::uint8_t>(random() % 12); // a plausible count
            bytes[1] = bytes[2] = bytes[3] = 0;
        }
        PageHistory history;
        Read(history, bytes);
        ASSERT_GE(history.PageCount(), 0);
        ASSERT_LE(history.PageCount(), 10);
        for (int n = 1; n <= history.PageCount(); ++n) {
            ASSERT_NE(history.GetPage(n).Image, nullptr);
            ASSERT_LE(history.GetPage(n).Annotation.size(), 3u * 256);
        }
    }
}

TEST(TransferPages, AFailedWriteReportsFalseAndLeavesTheHistoryChanged) {
    PageHistory history;
    AddPage(history, 1, "one");
    AddPage(history, 2, "two");
    const std::size_t whole = Write(history).size();
    for (std::size_t limit = 0; limit < whole; limit += 7) {
        history.SetChanged(true);
        MemoryBlockFile file;
        file.SetWriteLimit(limit);
        EXPECT_FALSE(TransferPages(&WriteBlock, file, history, kNoPictures)) << limit;
        EXPECT_TRUE(history.PagesChanged()) << limit;
    }
}

TEST(BlockRoutines, ReportExactTransfersOnly) {
    const std::vector<std::uint8_t> bytes{1, 2, 3};
    MemoryBlockFile file(bytes);
    std::uint8_t buffer[4] = {};
    EXPECT_TRUE(ReadBlock(file, buffer, 2));
    EXPECT_FALSE(ReadBlock(file, buffer, 2)); // one byte left
    EXPECT_TRUE(ReadBlock(file, buffer, 0));

    MemoryBlockFile out;
    out.SetWriteLimit(3);
    EXPECT_TRUE(WriteBlock(out, buffer, 2));
    EXPECT_FALSE(WriteBlock(out, buffer, 2));
}
