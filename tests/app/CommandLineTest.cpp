#include "app/CommandLine.h"
#include "app/StartFolder.h"

#include <QTemporaryDir>
#include <QTest>
#include <filesystem>
#include <fstream>
#include <vector>

using namespace zelvo;
using Action = StartRequest::Action;

namespace {

StartRequest parse(std::vector<const char*> arguments)
{
    return parseCommandLine(arguments);
}

// The sentence a refused argument gets; empty when the folder was entered.
std::string refusalOf(const std::string& argument)
{
    const std::optional<FolderRefusal> refusal = enterStartFolder(argument);
    return refusal ? refusal->sentence() : std::string();
}

std::string workingFolder()
{
    return std::filesystem::current_path().native();
}

// Each test that changes the working folder puts it back, so the next one
// starts where the runner started.
struct WorkingFolderKept {
    std::string folder = workingFolder();
    ~WorkingFolderKept() { std::filesystem::current_path(folder); }
};

} // namespace

class CommandLineTest : public QObject {
    Q_OBJECT

  private slots:
    void optionsAndOneFolderAreUnderstood()
    {
        QCOMPARE(parse({}), (StartRequest{Action::Start, {}, {}}));
        QCOMPARE(parse({"fotos"}), (StartRequest{Action::Start, "fotos", {}}));
        QCOMPARE(parse({"--help"}).action, Action::ShowHelp);
        QCOMPARE(parse({"-h", "fotos"}).action, Action::ShowHelp);
        QCOMPARE(parse({"fotos", "--version"}).action, Action::ShowVersion);
        // After "--" and as a lone "-", what looks like an option is a folder.
        QCOMPARE(parse({"--", "--help"}), (StartRequest{Action::Start, "--help", {}}));
        QCOMPARE(parse({"-"}), (StartRequest{Action::Start, "-", {}}));
    }

    void unknownOptionsAndASecondFolderAreRefused()
    {
        const StartRequest unknown = parse({"--recursive", "--help"});
        QCOMPARE(unknown.action, Action::WrongUsage);
        QCOMPARE(unknown.error,
                 std::string("opción desconocida «--recursive»; pruebe «zelvo --help»"));
        QCOMPARE(parse({"-platform", "offscreen"}).action, Action::WrongUsage);
        const StartRequest two = parse({"uno", "dos"});
        QCOMPARE(two.action, Action::WrongUsage);
        QVERIFY(two.error.find("«dos»") != std::string::npos);
    }

    void fileUrisArePercentDecodedByteForByte()
    {
        QCOMPARE(localPathOf("rel/a%20b"), std::optional<std::string>("rel/a%20b"));
        QCOMPARE(localPathOf("file:///tmp/a%20b,c"), std::optional<std::string>("/tmp/a b,c"));
        QCOMPARE(localPathOf("file:///tmp/caf%E9%2f"), std::optional<std::string>("/tmp/caf\xE9/"));
        QCOMPARE(localPathOf("FILE://localhost/x"), std::optional<std::string>("/x"));
        QCOMPARE(localPathOf("file:/x"), std::optional<std::string>("/x"));
        QCOMPARE(localPathOf("file:///100%"), std::optional<std::string>("/100%"));
        QCOMPARE(localPathOf("file:///a%4"), std::optional<std::string>("/a%4"));
        QCOMPARE(localPathOf("file://servidor/x"), std::nullopt);
        QCOMPARE(localPathOf("file://localhostx/x"), std::nullopt);
        QCOMPARE(localPathOf("file:///a%00b"), std::nullopt);
        QCOMPARE(localPathOf("file:x"), std::nullopt);
        QCOMPARE(localPathOf("file://"), std::nullopt);
    }

    void aFolderWithAnOddNameIsEnteredByPathAndByUri()
    {
        QTemporaryDir scratch;
        const std::string folder =
            QFile::encodeName(scratch.path()).toStdString() + "/mis fotos, 2\xE9";
        std::filesystem::create_directory(folder);
        WorkingFolderKept kept;
        QCOMPARE(refusalOf(folder), std::string());
        QCOMPARE(workingFolder(), std::filesystem::canonical(folder).native());
        std::filesystem::current_path("/");
        const std::string uri =
            "file://" + QFile::encodeName(scratch.path()).toStdString() + "/mis%20fotos,%202%E9";
        QCOMPARE(refusalOf(uri), std::string());
        QCOMPARE(workingFolder(), std::filesystem::canonical(folder).native());
    }

    void whatIsNoFolderIsRefusedAndTheWorkingFolderStays()
    {
        QTemporaryDir scratch;
        const std::string base = QFile::encodeName(scratch.path()).toStdString();
        std::ofstream(base + "/nota.txt") << "x";
        WorkingFolderKept kept;
        QCOMPARE(refusalOf(base + "/nota.txt"), "«" + base + "/nota.txt» no es una carpeta.");
        QCOMPARE(refusalOf(base + "/falta"), "No existe la carpeta «" + base + "/falta».");
        QCOMPARE(refusalOf("file:///falta%20aqu%C3%AD"),
                 std::string("No existe la carpeta «/falta aquí»."));
        QCOMPARE(refusalOf("file://servidor/x"),
                 std::string("«file://servidor/x» no es la dirección de una carpeta de este equipo."));
        // The name stays bytes, for a message box to show as the folder list does.
        const std::optional<FolderRefusal> odd = enterStartFolder(base + "/falta\xE9");
        QVERIFY(odd && odd->name == base + "/falta\xE9");
        QCOMPARE(odd->sentence("/x"), std::string("No existe la carpeta «/x»."));
        QCOMPARE(workingFolder(), kept.folder);
    }

    void withoutADisplayTheWindowIsNotTried_data()
    {
        QTest::addColumn<QString>("x11");
        QTest::addColumn<QString>("wayland");
        QTest::addColumn<QString>("platform");
        QTest::addColumn<bool>("tried");
        QTest::addColumn<QString>("failure");
        const QString none = QStringLiteral("no hay ninguna pantalla gráfica en la que abrir la "
                                            "ventana (ni DISPLAY ni WAYLAND_DISPLAY están definidas)");
        QTest::newRow("over ssh") << "" << "" << "" << false << none;
        QTest::newRow("X") << ":0" << "" << "" << true
                           << QStringLiteral("no se puede abrir la ventana en la pantalla «:0»");
        QTest::newRow("Wayland") << "" << "wayland-0" << "" << true
                                 << QStringLiteral("no se puede abrir la ventana en la pantalla «wayland-0»");
        QTest::newRow("headless tests") << "" << "" << "offscreen" << true
                                        << QStringLiteral("no se puede abrir la ventana con la plataforma «offscreen»");
        QTest::newRow("xcb chosen, no display") << "" << "" << "xcb" << true << none;
    }

    void withoutADisplayTheWindowIsNotTried()
    {
        QFETCH(QString, x11);
        QFETCH(QString, wayland);
        QFETCH(QString, platform);
        QFETCH(bool, tried);
        QFETCH(QString, failure);
        const DisplayEnvironment environment{x11.toStdString(), wayland.toStdString(),
                                             platform.toStdString()};
        const std::optional<std::string> missing = missingDisplay(environment);
        QCOMPARE(!missing, tried);
        if (missing)
            QCOMPARE(QString::fromStdString(*missing), failure);
        QCOMPARE(QString::fromStdString(unreachableDisplay(environment)), failure);
    }

    void aFolderThatCannotBeListedIsRefused()
    {
        if (::geteuid() == 0)
            QSKIP("root lists every folder");
        QTemporaryDir scratch;
        const std::string folder = QFile::encodeName(scratch.path()).toStdString() + "/cerrada";
        std::filesystem::create_directory(folder);
        std::filesystem::permissions(folder, std::filesystem::perms::owner_exec);
        WorkingFolderKept kept;
        QCOMPARE(refusalOf(folder), "No tiene permiso para abrir la carpeta «" + folder + "».");
        std::filesystem::permissions(folder, std::filesystem::perms::owner_all);
    }
};

QTEST_GUILESS_MAIN(CommandLineTest)
#include "CommandLineTest.moc"
