#pragma once

namespace ct {

// Sets a re-entrancy flag for the guard's lifetime and restores what it held, on every path.
class FlagScope {
public:
    explicit FlagScope(bool& flag)
        : flag_(flag)
        , saved_(flag) {
        flag_ = true;
    }
    ~FlagScope() { flag_ = saved_; }
    FlagScope(const FlagScope&) = delete;
    FlagScope& operator=(const FlagScope&) = delete;

private:
    bool& flag_;
    bool saved_;
};

} // namespace ct
