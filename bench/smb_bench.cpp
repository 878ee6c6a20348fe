// SplitOptionNames on 1,000 and on 10,000 options, in one run: the time per
// list and the ratio of the two, which a linear split keeps near 10. Then a
// hostile list of the same length: stray `">` before one opening, each an empty
// name up to the list's bound, which must cost about what the plain list does.
//
//   bench_smb [--runs N]

#include "base/list_bounds.h"
#include "web/page_values.h"

#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

QByteArray options(int count) {
    QByteArray list;
    for (int i = 0; i < count; ++i) {
        const QByteArray name = "Folder" + QByteArray::number(i);
        list += "<option value=\"" + name + "\">" + name + "</option>";
    }
    return list;
}

double medianMs(const QByteArray& list, int runs, qsizetype expected) {
    std::vector<double> times;
    for (int run = 0; run < runs; ++run) {
        QElapsedTimer clock;
        clock.start();
        const QList<Web::OptionName> names = Web::SplitOptionNames(list);
        times.push_back(static_cast<double>(clock.nsecsElapsed()) / 1e6);
        if (names.size() != expected) {
            std::fprintf(stderr, "bench_smb: %lld names, expected %lld\n", static_cast<long long>(names.size()),
                         static_cast<long long>(expected));
            return -1;
        }
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

} // namespace

int main(int argc, char* argv[]) {
    int runs = 21;
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], "--runs") == 0)
            runs = std::max(1, std::atoi(argv[i + 1]));
    }
    const double small = medianMs(options(1000), runs, 1000);
    const QByteArray plain = options(10000);
    const double large = medianMs(plain, runs, 10000);
    QByteArray hostile;
    while (hostile.size() < plain.size())
        hostile += "\">";
    const qsizetype strays = hostile.size() / 2;
    const double stray =
        medianMs(hostile + "<option value=\"x\">", runs, std::min<qsizetype>(strays + 1, Base::kMaxListEntries));
    if (small < 0 || large < 0 || stray < 0)
        return 1;
    std::printf("SplitOptionNames, median of %d runs\n", runs);
    std::printf("  1,000 options:  %8.3f ms\n", small);
    std::printf("  10,000 options: %8.3f ms (target: under 50 ms)\n", large);
    std::printf("  ratio 10,000 / 1,000: %.1f (target: at most 12)\n", large / small);
    std::printf("  as long, stray \"> before one opening: %8.3f ms, %.1fx the plain list\n", stray, stray / large);
    return 0;
}
