// The host program in window mode, run as the user runs it.
#include "server/auth/operators.h"
#include "server/service.h"

#include <QCoreApplication>
#include <QImage>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <sys/wait.h>

namespace {

namespace fs = std::filesystem;

struct ProgramRun {
    int exitCode = -1;
    std::string errors;
};

class HostLaunchTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder = fs::temp_directory_path() /
                 ("ct_host_launch_" + std::to_string(::getpid()) + "_" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(folder);
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(folder, ignored);
    }

    // Runs the program with the environment settings and arguments given (shell words).
    ProgramRun run(const std::string& environment, const std::string& arguments) {
        const fs::path errors = folder / "stderr.txt";
        // What the program remembers goes to the test's folder, never to the user's settings.
        const std::string command = "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "
                                    "XDG_CONFIG_HOME='" +
                                    folder.string() + "' " + environment + " '" CT_HOST_FILE "' " +
                                    arguments + " >/dev/null 2>'" + errors.string() + "'";
        const int status = std::system(command.c_str());
        ProgramRun result;
        result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        std::ifstream in(errors);
        std::ostringstream text;
        text << in.rdbuf();
        result.errors = text.str();
        return result;
    }
    std::string db() const { return "--db 'sqlite:" + (folder / "demo.db").string() + "'"; }

    fs::path folder;
};

int lines(const std::string& text) {
    int count = 0;
    for (char c : text)
        count += c == '\n';
    return count;
}

const char* entry = " 0001 0000000100 00 PRQ27500";

TEST_F(HostLaunchTest, WithoutADisplayItSaysSoInOneLine) {
    const ProgramRun r = run("", db() + entry);
    EXPECT_EQ(r.exitCode, 3);
    EXPECT_EQ(lines(r.errors), 1) << r.errors;
    EXPECT_NE(r.errors.find("no display"), std::string::npos) << r.errors;
}

TEST_F(HostLaunchTest, AModuleThatCannotBeLoadedIsOneLine) {
    const ProgramRun r = run(
        "QT_QPA_PLATFORM=offscreen CONTRATANTE_MODULE=/nonexistent/libprq31000.so", db() + entry);
    EXPECT_EQ(r.exitCode, 4);
    EXPECT_EQ(lines(r.errors), 1) << r.errors;
    EXPECT_NE(r.errors.find("cannot load the screen module"), std::string::npos) << r.errors;
}

TEST_F(HostLaunchTest, AnUnreachableServerIsOneLine) {
    const ProgramRun r = run("QT_QPA_PLATFORM=offscreen", "--server 127.0.0.1:9 " + db() + entry);
    EXPECT_EQ(r.exitCode, 5);
    EXPECT_EQ(lines(r.errors), 1) << r.errors;
    EXPECT_NE(r.errors.find("cannot be reached"), std::string::npos) << r.errors;
}

// The text of a PDF, as poppler's pdftotext reads it.
std::string pdfText(const fs::path& pdf) {
    const fs::path text = pdf.string() + ".txt";
    const std::string command = "pdftotext -layout '" + pdf.string() + "' '" + text.string() + "'";
    if (std::system(command.c_str()) != 0)
        return {};
    std::ifstream in(text);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

TEST_F(HostLaunchTest, TheListingIsWrittenAsPdfWithoutADisplay) {
    const fs::path pdf = folder / "listagem.pdf";
    const ProgramRun r =
        run("", "--listing '" + pdf.string() + "' " + db() + " 0001 0000000100 00");
    ASSERT_EQ(r.exitCode, 0) << r.errors;
    const std::string text = pdfText(pdf);
    for (const char* expected :
         {"Ana Beatriz Souza", "529.982.247-25", "Carlos Eduardo Lima", "123.456.789-09",
          "Mariana Alves Costa", "987.654.321-00", "10.500,00", "Parcela 3"})
        EXPECT_NE(text.find(expected), std::string::npos) << expected << "\n" << text;

    const ProgramRun bad =
        run("", "--listing '" + pdf.string() + "' " + db() + " 0001 9999999999 00");
    EXPECT_EQ(bad.exitCode, 1);
    EXPECT_NE(bad.errors.find("não pôde ser aberto"), std::string::npos) << bad.errors;
}

TEST_F(HostLaunchTest, AListExportedFromOneBudgetImportsIntoAnother) {
    const fs::path csv = folder / "turma.csv";
    ProgramRun r = run("", "--export-list '" + csv.string() + "' " + db() + entry);
    ASSERT_EQ(r.exitCode, 0) << r.errors;
    r = run("", "--import-list '" + csv.string() + "' " + db() + " 0001 0000000200 00 PRQ27500");
    EXPECT_EQ(r.exitCode, 0) << r.errors;
    // Again: every row is a party now, so nothing is imported.
    r = run("", "--import-list '" + csv.string() + "' " + db() + " 0001 0000000200 00 PRQ27500");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.errors.find("linha 2: Já é contratante do orçamento"), std::string::npos)
        << r.errors;
}

TEST_F(HostLaunchTest, ScreenshotWritesThePictureOfTheWindowAndExits) {
    const fs::path picture = folder / "contratante.png";
    const ProgramRun r =
        run("QT_QPA_PLATFORM=offscreen", db() + " --screenshot '" + picture.string() + "'" + entry);
    EXPECT_EQ(r.exitCode, 0) << r.errors;
    ASSERT_TRUE(fs::exists(picture));
    QImage image(QString::fromStdString(picture.string()));
    ASSERT_FALSE(image.isNull());
    EXPECT_GE(image.width(), 800);
    EXPECT_GE(image.height(), 500);
}

TEST_F(HostLaunchTest, AServerThatRequiresSignInTakesTheOperatorAndPasswordGiven) {
    const std::string url = "sqlite:" + (folder / "shared.db").string();
    ct::server::ServiceOptions options;
    options.url = url;
    options.port = 0;
    options.demo = ct::server::DemoData::required;
    options.access.sign_in = true;
    ct::server::Service server(options);
    {
        ct::server::Database::Lease lease(server.database());
        ct::server::auth::add_operator(lease.sql(), "ana", "Ana Paula", "senha-da-ana");
    }
    server.start();
    const fs::path picture = folder / "contratante.png";
    const std::string arguments = "--server 127.0.0.1:" + std::to_string(server.port()) +
                                  " --db '" + url + "' --operator ana --screenshot '" +
                                  picture.string() + "'" + entry;
    const struct {
        const char* password;
        int exitCode;
        const char* error; // nothing when the picture is taken
    } cases[] = {
        {"senha-da-ana", 0, nullptr},
        {"senha-errada", 1, "contratante: Código de operador ou senha inválidos."},
        {"", 1, "requires sign-in: give --operator CODE and the password in CONTRATANTE_PASSWORD"},
    };
    for (const auto& c : cases) {
        fs::remove(picture);
        const ProgramRun r =
            run(std::string("QT_QPA_PLATFORM=offscreen CONTRATANTE_PASSWORD='") + c.password + "'",
                arguments);
        EXPECT_EQ(r.exitCode, c.exitCode) << c.password << ": " << r.errors;
        EXPECT_EQ(fs::exists(picture), c.error == nullptr) << c.password;
        if (c.error) {
            EXPECT_NE(r.errors.find(c.error), std::string::npos) << r.errors;
        }
    }
}

} // namespace
