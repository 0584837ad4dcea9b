// The one host and loaded module every benchmark of the run shares. A module is loaded once
// per process, as in the host application, so the benchmarks cannot each load their own.
#ifndef OMBREL_BENCH_HOST_H
#define OMBREL_BENCH_HOST_H

#include "core/host.h"

namespace ombrel::bench {

host::Host& SharedHost();
// The module loaded into it.
HostModule* SharedModule();

}  // namespace ombrel::bench

#endif
