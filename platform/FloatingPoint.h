#pragma once
// Foreign libraries (scanner backends, vendor image libraries) expect every floating-point exception
// masked, as their own platforms run them. The guard masks them while it lives and then puts the
// program's own settings back, pending exceptions cleared.

#include <cfenv>

class T8087ExceptionDisabler {
public:
    T8087ExceptionDisabler() { std::feholdexcept(&saved_); }
    ~T8087ExceptionDisabler() {
        std::feclearexcept(FE_ALL_EXCEPT);
        std::fesetenv(&saved_);
    }
    T8087ExceptionDisabler(const T8087ExceptionDisabler&) = delete;
    T8087ExceptionDisabler& operator=(const T8087ExceptionDisabler&) = delete;

private:
    std::fenv_t saved_;
};

// Calls call() under the guard.
template <class F>
auto CallMasked(F call) {
    T8087ExceptionDisabler guard;
    return call();
}
