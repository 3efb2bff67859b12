// The module's exported entry points: the C boundary between the host and the screen.
#include "gui/module_exports.h"

#include "gui/contratante_view.h"
#include "gui/qt_dialogs.h"
#include "gui/qt_form_host.h"
#include "gui/refund_dialog_view.h"
#include "gui/view_registry.h"
#include "module/module_entry.h"
#include "platform/host/dialog_service.h"
#include "platform/host/dispatch.h"
#include "platform/ui/form_host.h"

#include <QApplication>
#include <cmath>
#include <memory>

#define CT_EXPORT __attribute__((visibility("default")))

namespace ct::gui {
namespace {

std::optional<std::string> variantText(const ct_variant& v) {
    switch (v.type) {
    case CT_VARIANT_EMPTY:
    case CT_VARIANT_NULL:
        return std::string();
    case CT_VARIANT_STRING:
        return v.value.string ? std::string(v.value.string) : std::string();
    case CT_VARIANT_INTEGER:
        return std::to_string(v.value.integer);
    case CT_VARIANT_DOUBLE: {
        if (!std::isfinite(v.value.real))
            return std::nullopt;
        if (v.value.real == std::floor(v.value.real) && std::fabs(v.value.real) < 1e15)
            return std::to_string(static_cast<long long>(v.value.real));
        nlohmann::json number = v.value.real;
        return number.dump();
    }
    case CT_VARIANT_BOOLEAN:
        return std::string(v.value.boolean ? "True" : "False");
    default:
        return std::nullopt;
    }
}

// What the module installs while it is loaded in a window program.
struct WindowServices {
    QtDialogService dialogs;
    QtFormHost formHost;
    DialogService* previousDialogs = nullptr;
    FormHost* previousHost = nullptr;
};
std::unique_ptr<WindowServices> services;
int loadCount = 0;

void initModule() {
    if (loadCount++ > 0)
        return;
    ct::Initialize();
    if (!qobject_cast<QApplication*>(QCoreApplication::instance()))
        return; // loaded without a window: the host's own services stay
    registerContratanteView();
    registerRefundDialogView();
    services = std::make_unique<WindowServices>();
    services->previousDialogs = setDialogService(&services->dialogs);
    services->previousHost = setFormHost(&services->formHost);
}

void finitModule() {
    if (loadCount == 0 || --loadCount > 0)
        return;
    destroyAllViews();
    if (services) {
        setDialogService(services->previousDialogs);
        setFormHost(services->previousHost);
        services.reset();
    }
    ct::Finalize();
}

const ct_package_unit units[] = {{"Cli_prq31000", initModule, finitModule}};
const ct_package_info packageInfo = {1, units, "PRQ31000", "Contratante"};

} // namespace

EntryValues readEntryValues(const ct_variant* param) {
    EntryValues result;
    if (!param || param->type != CT_VARIANT_ARRAY) {
        result.error = "Parâmetros de entrada inválidos: esperado um vetor com filial, orçamento, "
                       "sequência e tela de origem.";
        return result;
    }
    if (param->value.array.count != 4 || !param->value.array.items) {
        result.error = "Parâmetros de entrada inválidos: esperados 4 valores, recebidos " +
                       std::to_string(param->value.array.count) + ".";
        return result;
    }
    nlohmann::json values = nlohmann::json::array();
    for (int i = 0; i < 4; ++i) {
        const auto text = variantText(param->value.array.items[i]);
        if (!text) {
            result.error = "Parâmetros de entrada inválidos: o valor " + std::to_string(i) +
                           " não pode ser lido como texto.";
            return result;
        }
        values.push_back(*text);
    }
    result.values = std::move(values);
    return result;
}

} // namespace ct::gui

extern "C" {

CT_EXPORT void IniProc(const ct_variant* Param) {
    // Nothing may cross back into the host as an exception.
    try {
        const ct::gui::EntryValues entry = ct::gui::readEntryValues(Param);
        if (!entry.values) {
            ct::showError(entry.error);
            return;
        }
        ct::IniProc(*entry.values);
    } catch (const std::exception& e) {
        ct::showError(e.what());
    } catch (...) {
        ct::showError("Erro desconhecido no módulo PRQ31000.");
    }
}

CT_EXPORT void Initialize(void) {
    try {
        ct::gui::initModule();
    } catch (const std::exception& e) {
        ct::showError(e.what());
    }
}

CT_EXPORT void Finalize(void) {
    try {
        ct::gui::finitModule();
    } catch (const std::exception& e) {
        ct::showError(e.what());
    }
}

CT_EXPORT const ct_package_info* GetPackageInfoTable(void) {
    return &ct::gui::packageInfo;
}
}
