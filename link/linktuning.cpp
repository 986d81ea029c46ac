#include "link/linktuning.h"

namespace link {

Tuning &tuning()
{
    static Tuning values;
    return values;
}

} // namespace link
