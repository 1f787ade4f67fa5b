#pragma once
// How many processors the program may keep busy: the CPUs of the process's affinity mask, fewer
// when a cgroup CPU quota allows less (a container given 1.5 CPUs of a 64-core host). Every pool of
// worker threads (pixel kernels, picture loaders) sizes itself from here, so `taskset -c 0` or a
// container limit is honoured in one place.

#include <QByteArrayView>

// At least 1. Asks the system afresh at every call (a few small reads): callers that size a pool
// once keep the answer.
int UsableProcessorCount();

// Processors a cgroup quota allows, rounded up; 0 for no limit or text that is not a quota.
// cgroup v2's cpu.max ("150000 100000", "max 100000"):
int CpuMaxProcessors(QByteArrayView cpuMax);
// cgroup v1's cpu.cfs_quota_us and cpu.cfs_period_us (quota -1: no limit):
int CfsQuotaProcessors(QByteArrayView quota, QByteArrayView period);
