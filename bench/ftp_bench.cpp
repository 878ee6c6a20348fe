// SplitAccountRows on 1,000 and on 10,000 accounts, in one run: the time per
// list and the ratio of the two, which a linear split keeps near 10.
//
//   bench_ftp [--runs N]

#include "console/ftp_rules.h"

#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

// Rows as a unit lays them out: the user padded to 21, password and access each followed by 11 pads.
QByteArray accounts(int count) {
    const QByteArray pad("&nbsp;");
    QByteArray list;
    for (int i = 0; i < count; ++i) {
        const QByteArray user = "user" + QByteArray::number(i);
        list += "<option value=\"" + QByteArray::number(i) + "\">" + user + pad.repeated(21 - user.size()) + "pw" +
                QByteArray::number(i) + pad.repeated(11) + "Read/Write" + pad.repeated(11) + "Enable" +
                pad.repeated(11) + "</option>";
    }
    return list;
}

// One timed split; -1 when the rows are not the whole ones expected.
double splitMs(const QByteArray& list, qsizetype expected) {
    QElapsedTimer clock;
    clock.start();
    const QList<Console::FtpAccountRow> rows = Console::SplitAccountRows(list);
    const double ms = static_cast<double>(clock.nsecsElapsed()) / 1e6;
    if (rows.size() != expected || rows.constLast().state != "Enable") {
        std::fprintf(stderr, "bench_ftp: %lld rows, expected %lld whole ones\n", static_cast<long long>(rows.size()),
                     static_cast<long long>(expected));
        return -1;
    }
    return ms;
}

double median(std::vector<double> times) {
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
    // The two sizes take turns, so that a busy machine weighs on both alike.
    const QByteArray thousand = accounts(1000);
    const QByteArray tenThousand = accounts(10000);
    std::vector<double> smallMs;
    std::vector<double> largeMs;
    for (int run = 0; run < runs; ++run) {
        smallMs.push_back(splitMs(thousand, 1000));
        largeMs.push_back(splitMs(tenThousand, 10000));
        if (smallMs.back() < 0 || largeMs.back() < 0)
            return 1;
    }
    const double small = median(smallMs);
    const double large = median(largeMs);
    std::printf("SplitAccountRows, median of %d runs\n", runs);
    std::printf("  1,000 accounts:  %8.3f ms\n", small);
    std::printf("  10,000 accounts: %8.3f ms (target: under 50 ms)\n", large);
    std::printf("  ratio 10,000 / 1,000: %.1f (target: at most 12)\n", large / small);
    return 0;
}
