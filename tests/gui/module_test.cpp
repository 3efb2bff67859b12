// The module's C boundary: the entry values of IniProc, the exported names of the library.
#include "gui/module_exports.h"
#include "gui_session.h"
#include "platform/host/dispatch.h"

#include <dlfcn.h>
#include <gtest/gtest.h>
#include <limits>

namespace ct::gui {
namespace {

ct_variant text(const char* value) {
    ct_variant v{};
    v.type = CT_VARIANT_STRING;
    v.value.string = value;
    return v;
}

ct_variant array(const ct_variant* items, int count) {
    ct_variant v{};
    v.type = CT_VARIANT_ARRAY;
    v.value.array = {items, 0, count};
    return v;
}

TEST(ModuleEntryValues, FourValuesAreReadAsTexts) {
    ct_variant items[4] = {text("0001"), {}, {}, text("PRQ27500")};
    items[1].type = CT_VARIANT_INTEGER;
    items[1].value.integer = 100;
    items[2].type = CT_VARIANT_NULL;
    const ct_variant param = array(items, 4);
    const EntryValues entry = readEntryValues(&param);
    ASSERT_TRUE(entry.values) << entry.error;
    EXPECT_EQ(*entry.values, (nlohmann::json{"0001", "100", "", "PRQ27500"}));

    items[1].type = CT_VARIANT_DOUBLE;
    items[1].value.real = 42.0;
    EXPECT_EQ((*readEntryValues(&param).values)[1], "42");
    items[1].value.real = 2.5;
    EXPECT_EQ((*readEntryValues(&param).values)[1], "2.5");
}

TEST(ModuleEntryValues, MalformedArgumentsAreRefusedWithAMessage) {
    EXPECT_FALSE(readEntryValues(nullptr).values);
    ct_variant single = text("0001");
    EntryValues entry = readEntryValues(&single);
    EXPECT_FALSE(entry.values);
    EXPECT_NE(entry.error.find("vetor"), std::string::npos);

    ct_variant three[3] = {text("0001"), text("0000000100"), text("00")};
    const ct_variant short_ = array(three, 3);
    entry = readEntryValues(&short_);
    EXPECT_FALSE(entry.values);
    EXPECT_NE(entry.error.find("recebidos 3"), std::string::npos);

    ct_variant items[4] = {text("0001"), text("0000000100"), text("00"), {}};
    items[3].type = CT_VARIANT_DOUBLE;
    items[3].value.real = std::numeric_limits<double>::quiet_NaN();
    const ct_variant withNan = array(items, 4);
    EXPECT_FALSE(readEntryValues(&withNan).values);
    items[3].type = 99;
    EXPECT_FALSE(readEntryValues(&withNan).values);
    const ct_variant noItems = array(nullptr, 4);
    EXPECT_FALSE(readEntryValues(&noItems).values);
}

TEST(ModuleEntryValues, AMalformedEntryGoesToTheErrorDisplayAndShowsNothing) {
    testing::ensureApplication();
    std::vector<std::string> shown;
    const ErrorDisplay previous =
        setErrorDisplay([&shown](const std::string& t) { shown.push_back(t); });
    ct_variant three[3] = {text("0001"), text("0000000100"), text("00")};
    const ct_variant param = array(three, 3);
    ::IniProc(&param);
    setErrorDisplay(previous);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_NE(shown[0].find("4 valores"), std::string::npos);
}

TEST(ModuleLibrary, ExportsTheFourEntryPointsWithCLinkage) {
    void* handle = dlopen(CT_MODULE_FILE, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(handle, nullptr) << dlerror();
    for (const char* name : {"IniProc", "Initialize", "Finalize", "GetPackageInfoTable"})
        EXPECT_NE(dlsym(handle, name), nullptr) << name;
    auto info = reinterpret_cast<ct_package_info_fn>(dlsym(handle, "GetPackageInfoTable"));
    ASSERT_NE(info, nullptr);
    const ct_package_info* table = info();
    ASSERT_NE(table, nullptr);
    EXPECT_STREQ(table->screen_code, "PRQ31000");
    EXPECT_STREQ(table->caption, "Contratante");
    ASSERT_EQ(table->unit_count, 1);
    EXPECT_NE(table->units[0].init, nullptr);
    // The library stays loaded: Qt keeps what it registered.
}

} // namespace
} // namespace ct::gui
