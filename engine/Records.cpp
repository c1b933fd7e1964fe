#include "engine/Records.h"

namespace qv {

// The three maps are compiled once here rather than in every file that uses them.
template class StrKeyedMap<CFObj>;
template class StrKeyedMap<CTFObj>;
template class StrKeyedMap<CPkgObj>;

}  // namespace qv
