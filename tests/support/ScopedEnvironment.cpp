#include "support/ScopedEnvironment.h"

#include <cstdlib>

namespace monctl::test {

ScopedEnvironment::~ScopedEnvironment() {
    // Latest first: a name changed twice gets back its first value.
    for (auto it = m_previous.rbegin(); it != m_previous.rend(); ++it) {
        if (it->second)
            ::setenv(it->first.c_str(), it->second->c_str(), 1);
        else
            ::unsetenv(it->first.c_str());
    }
}

void ScopedEnvironment::set(const std::string& name, const std::string& value) {
    remember(name);
    ::setenv(name.c_str(), value.c_str(), 1);
}

void ScopedEnvironment::unset(const std::string& name) {
    remember(name);
    ::unsetenv(name.c_str());
}

void ScopedEnvironment::remember(const std::string& name) {
    const char* value = std::getenv(name.c_str());
    m_previous.emplace_back(name, value ? std::optional<std::string>(value) : std::nullopt);
}

} // namespace monctl::test
