#include "platform/Processors.h"

#include <QByteArray>
#include <QFile>
#include <QList>
#include <algorithm>
#include <climits>
#include <sched.h>
#include <thread>

namespace {

// Quotas and periods are microseconds; anything longer than this is not a value the kernel keeps.
constexpr qint64 kMaxMicroseconds = qint64(1) << 50;

// A positive decimal of at most kMaxMicroseconds; -1 for anything else.
qint64 ParseMicroseconds(QByteArrayView text) {
    bool ok = false;
    const qint64 value = text.trimmed().toLongLong(&ok);
    return ok && value > 0 && value <= kMaxMicroseconds ? value : -1;
}

int QuotaProcessors(qint64 quota, qint64 period) {
    if (quota <= 0 || period <= 0)
        return 0;
    const qint64 count = (quota + period - 1) / period;
    return int(std::min<qint64>(count, INT_MAX));
}

QByteArray ReadSmallFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    // Every file read here is one line; a bound keeps a strange mount from costing anything.
    return file.read(4096);
}

int AffinityProcessors() {
    cpu_set_t set;
    CPU_ZERO(&set);
    if (sched_getaffinity(0, sizeof(set), &set) == 0) {
        const int count = CPU_COUNT(&set);
        if (count > 0)
            return count;
    }
    return int(std::max(1u, std::thread::hardware_concurrency()));
}

// The smallest quota on the way from the process's cgroup up to the root; 0 for none.
int CgroupProcessors() {
    int best = 0;
    const auto take = [&best](int count) {
        if (count > 0)
            best = best == 0 ? count : std::min(best, count);
    };
    const QByteArray membership = ReadSmallFile(QStringLiteral("/proc/self/cgroup"));
    for (const QByteArray& line : membership.split('\n')) {
        // "0::/path" for v2, "N:cpu,cpuacct:/path" for v1's CPU controller.
        const QList<QByteArray> fields = line.split(':');
        if (fields.size() < 3)
            continue;
        const QString path = QString::fromUtf8(line.mid(fields[0].size() + fields[1].size() + 2));
        const bool unified = fields[0] == "0" && fields[1].isEmpty();
        const bool v1Cpu = fields[1].split(',').contains("cpu");
        if (!unified && !v1Cpu)
            continue;
        QString dir = path;
        for (int depth = 0; depth < 64; ++depth) {
            if (unified) {
                const QString base =
                    QStringLiteral("/sys/fs/cgroup") + (dir == QLatin1String("/") ? QString() : dir);
                take(CpuMaxProcessors(ReadSmallFile(base + QStringLiteral("/cpu.max"))));
            } else {
                for (const QString& mount :
                     {QStringLiteral("/sys/fs/cgroup/cpu"), QStringLiteral("/sys/fs/cgroup/cpu,cpuacct")}) {
                    const QString base = mount + (dir == QLatin1String("/") ? QString() : dir);
                    take(CfsQuotaProcessors(ReadSmallFile(base + QStringLiteral("/cpu.cfs_quota_us")),
                                            ReadSmallFile(base + QStringLiteral("/cpu.cfs_period_us"))));
                }
            }
            if (dir.isEmpty() || dir == QLatin1String("/"))
                break;
            const qsizetype slash = dir.lastIndexOf(QLatin1Char('/'));
            dir = slash <= 0 ? QStringLiteral("/") : dir.left(slash);
        }
    }
    return best;
}

} // namespace

int CpuMaxProcessors(QByteArrayView cpuMax) {
    const QByteArrayView line = cpuMax.trimmed();
    const qsizetype space = line.indexOf(' ');
    if (space < 0)
        return 0;
    return QuotaProcessors(ParseMicroseconds(line.first(space)), ParseMicroseconds(line.sliced(space + 1)));
}

int CfsQuotaProcessors(QByteArrayView quota, QByteArrayView period) {
    return QuotaProcessors(ParseMicroseconds(quota), ParseMicroseconds(period));
}

int UsableProcessorCount() {
    const int affinity = AffinityProcessors();
    const int quota = CgroupProcessors();
    return std::max(1, quota > 0 ? std::min(affinity, quota) : affinity);
}
