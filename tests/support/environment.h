// Sets or unsets an environment variable for the length of a scope.
#pragma once
#include <cstdlib>
#include <string>

namespace testing_support {

inline void setEnvironment(const char* name, const char* value) {  // null value: unset
#ifdef _WIN32
    _putenv_s(name, value ? value : "");  // an empty value removes the variable
#else
    value ? setenv(name, value, 1) : unsetenv(name);
#endif
}

class ScopedEnvironment {
public:
    ScopedEnvironment(const char* name, const char* value) : name_(name) {
        const std::string wanted = value ? value : "";  // value may point into the environment
        if (const char* old = std::getenv(name)) saved_ = old, had_ = true;
        setEnvironment(name, value ? wanted.c_str() : nullptr);
    }
    ~ScopedEnvironment() { setEnvironment(name_.c_str(), had_ ? saved_.c_str() : nullptr); }
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

private:
    std::string name_;
    std::string saved_;
    bool had_ = false;
};

}  // namespace testing_support
