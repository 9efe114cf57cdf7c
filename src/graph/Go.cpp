#include "graph/Go.h"

#include "app/AppContext.h"

namespace graph {

bool RunGo(AppContext&) { return false; }

} // namespace graph
