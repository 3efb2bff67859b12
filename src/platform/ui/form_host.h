#pragma once

namespace ct {

class Form;

// Shows forms modally. The Qt view, scripted sessions and tests each provide one. A blocking host
// returns once the form has closed; the default host returns at once and leaves the form open, to
// be driven and closed by the caller.
class FormHost {
public:
    virtual ~FormHost() = default;
    virtual void showModal(Form& form) = 0;
    // The form is about to be freed: the host lets go of what it keeps for it (its window).
    virtual void release(Form&) {}
};

// The host in force; never null.
FormHost& formHost();
// Installs a host (nullptr restores the default); returns the previous one.
FormHost* setFormHost(FormHost* host);

class ScopedFormHost {
public:
    explicit ScopedFormHost(FormHost& host)
        : previous_(setFormHost(&host)) {}
    ~ScopedFormHost() { setFormHost(previous_); }
    ScopedFormHost(const ScopedFormHost&) = delete;
    ScopedFormHost& operator=(const ScopedFormHost&) = delete;

private:
    FormHost* previous_;
};

} // namespace ct
