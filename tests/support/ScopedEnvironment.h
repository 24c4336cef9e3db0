#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace monctl::test {

// Environment variables changed for this process and the programs it starts; each comes back
// to what it was at destruction.
class ScopedEnvironment {
public:
    ScopedEnvironment() = default;
    ~ScopedEnvironment();
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

    void set(const std::string& name, const std::string& value);
    void unset(const std::string& name);

private:
    void remember(const std::string& name);

    std::vector<std::pair<std::string, std::optional<std::string>>> m_previous;
};

} // namespace monctl::test
