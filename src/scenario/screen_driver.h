#pragma once

#include <string>
#include <string_view>

namespace ct {
class DataSet;
class Form;
} // namespace ct

namespace ct::scenario {

// What a scripted session needs of the program around the screen.
class ScreenDriver {
public:
    virtual ~ScreenDriver() = default;

    // The host enters the module with the four entry values (the screen is shown and activated).
    virtual void start(const std::string& branch, const std::string& budget,
                       const std::string& sequence, const std::string& origin) = 0;
    // The screen, once started; nullptr before.
    virtual Form* form() = 0;
    // A data set or query of the screen by name; nullptr when unknown.
    virtual DataSet* dataSet(std::string_view name) = 0;
};

} // namespace ct::scenario
