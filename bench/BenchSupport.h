#pragma once
// What every benchmark starts with: a home of its own, so that it never
// touches the user's files, and a whole configuration of 128 zones and
// relays in its working database; and how timings are printed.

#include "ModBas.h"
#include "Seams.h"
#include "TestConfiguration.h"
#include "TestHome.h"

#include <QByteArray>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace orbbench {

// The folders of its own every test program starts in (TestHome.h) and a
// temporary folder for the benchmark's files. Made before the application
// object; lives as long as the benchmark.
class BenchHome {
public:
    bool isValid() const { return m_dir.isValid(); }
    QString filePath(const QString &name) const { return m_dir.filePath(name); }

private:
    orbtest::TestHome m_home;
    QTemporaryDir m_dir;
};

// Makes and opens a configuration of that size; says so on stderr when it
// cannot. Message boxes are answered OK and not shown.
inline bool openConfiguration(int zones, int relays)
{
    orb::setMsgBoxHandler([](const QString &, int, const QString &) { return int(orb::AnsOk); });
    if (orbtest::makeConfiguration(zones, relays, QStringLiteral("Bench"))
        && orb::Open_Conf() == orb::OpenResult::Opened)
        return true;
    std::fprintf(stderr, "cannot make the configuration\n");
    return false;
}

// A number of runs from the first argument, or the default.
inline int runsFrom(int argc, char **argv, int fallback)
{
    return argc > 1 ? std::max(1, QByteArray(argv[1]).toInt()) : fallback;
}

// Prints the median, the fastest and the slowest of timings in milliseconds.
inline void report(const char *what, std::vector<double> ms)
{
    std::sort(ms.begin(), ms.end());
    std::printf("%-36s median %.2f ms  min %.2f ms  max %.2f ms  (%zu runs)\n", what, ms[ms.size() / 2], ms.front(),
                ms.back(), ms.size());
}

} // namespace orbbench
