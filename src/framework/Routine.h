#pragma once
// The end of every calculation routine: collect (forms, entry loop), compute
// (inputs -> result struct), then write. `Report` writes the block from the
// result and registers the result's record with it. The family defines, in
// its own namespace, `void Write(CTervoDoc&, const R&)` (the report lines,
// separator first) and `Record ToRecord(const R&)`; both are found by
// argument-dependent lookup.
#include "framework/Record.h"
#include "journal/CTervoDoc.h"

namespace mirto {

template <class R>
int Report(CTervoDoc& doc, const R& result) {
  Write(doc, result);
  doc.EndBlock(ToRecord(result));
  return 1;
}

}  // namespace mirto
