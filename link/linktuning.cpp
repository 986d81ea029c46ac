#include "link/linktuning.h"

namespace morlenta::link {

Tuning &tuning()
{
    static Tuning values;
    return values;
}

} // namespace morlenta::link
