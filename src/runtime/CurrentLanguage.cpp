#include "runtime/CurrentLanguage.h"

namespace monctl {

std::int32_t& CurrentLanguage() {
    static std::int32_t language = 0;
    return language;
}

} // namespace monctl
