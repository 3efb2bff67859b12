#include "gui/view_registry.h"

#include "gui/form_view.h"

#include <map>
#include <memory>

namespace ct::gui {
namespace {

std::map<std::string, ViewFactory>& factories() {
    static std::map<std::string, ViewFactory> table;
    return table;
}

std::map<const Form*, std::unique_ptr<FormView>>& views() {
    static std::map<const Form*, std::unique_ptr<FormView>> table;
    return table;
}

} // namespace

void registerViewFactory(const std::string& formName, ViewFactory factory) {
    factories()[formName] = std::move(factory);
}

FormView& viewFor(Form& form) {
    auto& all = views();
    if (auto it = all.find(&form); it != all.end())
        return *it->second;
    FormView* created = nullptr;
    if (auto f = factories().find(form.name()); f != factories().end())
        created = f->second(form);
    if (!created)
        created = new FormView(form);
    all[&form].reset(created);
    created->build();
    return *created;
}

FormView* existingView(const Form* form) {
    auto it = views().find(form);
    return it == views().end() ? nullptr : it->second.get();
}

void destroyView(const Form& form) {
    auto node = views().extract(&form);
    // Destroyed outside the table, so that a view's destruction never sees itself half removed.
    if (!node.empty())
        node.mapped().reset();
}

void destroyAllViews() {
    auto all = std::move(views());
    views().clear();
    all.clear();
}

} // namespace ct::gui
