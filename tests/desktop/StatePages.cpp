// Prints the pages of a data folder's state file, one line each, for the desktop tests:
//   PAGE bph lift period complete long-term annotation
// or with --results after the folder:
//   PAGE rate amplitude beat-error sound-file (rate s/d, amplitude degrees, beat error ms,
//   the page's sound or "-")
// Exit status 2 when the file reports an error.
#include "pages/StateFile.h"

#include <cmath>
#include <cstdio>
#include <string>

int main(int argc, char* argv[]) {
    const bool results = argc == 3 && std::string(argv[2]) == "--results";
    if (argc != 2 && !results) {
        std::fprintf(stderr, "usage: %s DATA-FOLDER [--results]\n", argv[0]);
        return 2;
    }
    pages::PageHistory history;
    const pages::StateFileOutcome outcome = pages::LoadState(history, argv[1]);
    if (!outcome.ErrorMessage.empty()) {
        std::fprintf(stderr, "%s\n", outcome.ErrorMessage.c_str());
        return 2;
    }
    for (std::int32_t i = 1; i <= history.PageCount(); ++i) {
        const pages::TPageInfo page = history.GetPage(i);
        if (results) {
            std::printf("%d %.4f %.4f %.4f %s\n", i, page.DailyRate, page.Amplitude, page.BeatError,
                        page.Sound.empty() ? "-" : page.Sound.c_str());
            continue;
        }
        std::printf("%d %ld %d %d %d %d %s\n", i, std::lround(page.BeatsPerSecond * 3600),
                    page.LiftAngle, page.AveragingPeriod, page.Complete ? 1 : 0,
                    page.LongTerm ? 1 : 0, page.Annotation.c_str());
    }
    return 0;
}
