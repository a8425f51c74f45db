// Prints the pages of a data folder's state file, one line each, for the desktop tests:
//   PAGE bph lift period complete long-term annotation
// Exit status 2 when the file reports an error.
#include "pages/StateFile.h"

#include <cmath>
#include <cstdio>

int main(int argc, char* argv[]) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s DATA-FOLDER\n", argv[0]);
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
        std::printf("%d %ld %d %d %d %d %s\n", i, std::lround(page.BeatsPerSecond * 3600),
                    page.LiftAngle, page.AveragingPeriod, page.Complete ? 1 : 0,
                    page.LongTerm ? 1 : 0, page.Annotation.c_str());
    }
    return 0;
}
