// A document as text: every node in order with its kind, type, name, bits, placement and
// parameters, links written as the place of their target. Two documents that dump alike hold
// the same scene, whatever their nodes' serials; tests compare documents this way.
#ifndef OMBREL_HOST_DOCUMENT_DUMP_H
#define OMBREL_HOST_DOCUMENT_DUMP_H

#include <string>

#include "nodes.h"

namespace ombrel::host {

std::string DumpDocument(const HostNode* doc);

}  // namespace ombrel::host

#endif
