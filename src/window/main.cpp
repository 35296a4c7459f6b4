// SPDX-License-Identifier: GPL-3.0-or-later
// Trevalon: set up and watch a KDSP servo-controller chip over a serial line.

#include "window/Fo.h"
#include "window/QtDialogs.h"
#include "core/record/Recorder.h"
#include "core/SettingsStore.h"
#include "window/StartupProbe.h"
#include "core/Version.h"
#include "core/link/PortMap.h"
#include "core/link/SerialComm.h"
#include "core/link/SimulatedChip.h"
#include "core/journal/Journal.h"
#include "core/runs/RunStanding.h"
#include "core/journal/JournalSettings.h"
#include "core/runs/RunCutter.h"
#include "core/runs/RunsModel.h"
#include "window/RunsButton.h"
#include "core/status/LineStatus.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QFileInfo>
#include <QIcon>
#include <QProcess>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr int kExitUsage = 2;

[[noreturn]] void refuseUsage(const QString& reason)
{
    std::fprintf(stderr, "trevalon: %s (see --help)\n", qPrintable(reason));
    std::exit(kExitUsage);
}

struct Options {
    bool demo = false;
    QStringList simulatorArguments;
    QString recordFile;
    QString replayFile;
    QString journalFolder;
    bool noJournal = false;
    bool startupProbe = false;
};

// Parsed before any window system is touched, so --help and --version work without a display.
Options parseOptions(int argc, char** argv)
{
    QCoreApplication probe(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Trevalon"));
    QCoreApplication::setApplicationVersion(QStringLiteral("%1.%2.%3")
                                                .arg(Version::Major)
                                                .arg(Version::Minor)
                                                .arg(Version::Revision));
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Servo tracking error monitor and setup for the Kestrum KDSP chip."));
    parser.addHelpOption();
    // Qt's own version option prints one line; ours adds the copyright and the licence.
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                     QStringLiteral("Displays version information."));
    parser.addOption(version);
    const QCommandLineOption demo(
        QStringLiteral("demo"),
        QStringLiteral("Start the simulated KDSP chip and reach it through the chosen port for "
                       "this run (the stored port choice is left as it is)."));
    const QCommandLineOption simArgs(
        QStringLiteral("sim-args"),
        QStringLiteral("Extra arguments for the simulated chip with --demo, e.g. "
                       "\"--timing-digit 5\"."),
        QStringLiteral("arguments"));
    const QCommandLineOption record(
        QStringLiteral("record"),
        QStringLiteral("Append every block the scope draws to this file, as trevalon-cli "
                       "capture writes it (gzip-compressed when its name ends in .gz)."),
        QStringLiteral("FILE"));
    const QCommandLineOption replay(
        QStringLiteral("replay"),
        QStringLiteral("With --demo: the simulated chip streams the blocks of this capture "
                       "file."),
        QStringLiteral("FILE"));
    const QCommandLineOption noJournal(
        QStringLiteral("no-journal"),
        QStringLiteral("Keep no journal of the scope's runs for this session."));
    const QCommandLineOption journal(
        QStringLiteral("journal"),
        QStringLiteral("Keep the journal of the scope's runs in this folder instead of the "
                       "data folder's Trevalon/runs."),
        QStringLiteral("DIR"));
    parser.addOption(demo);
    parser.addOption(simArgs);
    parser.addOption(record);
    parser.addOption(replay);
    parser.addOption(noJournal);
    parser.addOption(journal);
    // For the start-up benchmark: report when the window is first shown, then end.
    QCommandLineOption startupProbe(QString::fromLatin1(StartupProbe::kOptionName),
                                    QStringLiteral("Print the start-up time and quit."));
    startupProbe.setFlags(QCommandLineOption::HiddenFromHelp);
    parser.addOption(startupProbe);
    // Qt's own options (-platform offscreen, -style fusion, ...) are for QApplication, which
    // takes them out of the command line later; they are passed over here.
    static const QStringList kQtOptionsWithValue = {
        QStringLiteral("-platform"), QStringLiteral("-platformpluginpath"),
        QStringLiteral("-platformtheme"), QStringLiteral("-plugin"), QStringLiteral("-display"),
        QStringLiteral("-style"), QStringLiteral("-stylesheet"), QStringLiteral("-session"),
        QStringLiteral("-qwindowgeometry"), QStringLiteral("-qwindowtitle"),
        QStringLiteral("-qwindowicon"), QStringLiteral("-geometry"), QStringLiteral("-title")};
    static const QStringList kQtFlags = {QStringLiteral("-reverse"), QStringLiteral("-nograb"),
                                         QStringLiteral("-dograb"), QStringLiteral("-sync"),
                                         QStringLiteral("-widgetcount")};
    QStringList ownArguments;
    const QStringList all = QCoreApplication::arguments();
    for (qsizetype i = 0; i < all.size(); ++i) {
        if (i > 0 && kQtOptionsWithValue.contains(all[i])) {
            ++i; // and its value
            continue;
        }
        if (i > 0 && kQtFlags.contains(all[i]))
            continue;
        ownArguments.append(all[i]);
    }
    // Nothing on the command line is passed over: what is not understood ends the run as bad
    // usage (status 2), as an option without its --demo does.
    if (!parser.parse(ownArguments))
        refuseUsage(parser.errorText());
    if (!parser.positionalArguments().isEmpty())
        refuseUsage(QStringLiteral("unexpected argument '%1'")
                        .arg(parser.positionalArguments().constFirst()));
    parser.process(ownArguments); // --help prints and exits here
    if (parser.isSet(version)) {
        std::fputs(qPrintable(Version::versionText(QStringLiteral("Trevalon"))), stdout);
        std::exit(0);
    }

    Options options;
    options.demo = parser.isSet(demo);
    options.simulatorArguments =
        QProcess::splitCommand(parser.value(simArgs));
    if (parser.isSet(simArgs) && !options.demo)
        refuseUsage(QStringLiteral("--sim-args needs --demo: they are the simulated chip's"));
    options.startupProbe = parser.isSet(startupProbe);
    options.recordFile = parser.value(record);
    options.noJournal = parser.isSet(noJournal);
    options.journalFolder = parser.value(journal);
    if (options.noJournal && parser.isSet(journal))
        refuseUsage(QStringLiteral("--no-journal and --journal contradict each other"));
    if (parser.isSet(replay)) {
        if (!options.demo)
            refuseUsage(QStringLiteral("--replay needs --demo: the simulated chip replays"));
        options.replayFile = parser.value(replay);
        options.simulatorArguments << QStringLiteral("--replay")
                                   << QFileInfo(options.replayFile).absoluteFilePath();
    }
    return options;
}

// Without a window system Qt would abort with a long message and exit 134; the user is told in
// one line instead. A platform without a display chosen by the user (QT_QPA_PLATFORM=offscreen,
// -platform vnc, ...) is left to Qt.
bool hasDisplay(int argc, char** argv)
{
    if (!qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        return true;
    QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], "-platform") == 0)
            platform = argv[i + 1];
    }
    return !platform.isEmpty() && !platform.startsWith("xcb") && !platform.startsWith("wayland");
}

} // namespace

int main(int argc, char** argv)
{
    const Options options = parseOptions(argc, argv);
    if (!hasDisplay(argc, argv)) {
        std::fputs("trevalon: no display: neither DISPLAY nor WAYLAND_DISPLAY is set; "
                   "trevalon-cli works without one\n",
                   stderr);
        return 1;
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Trevalon"));
    // The desktop entry's name: Wayland shells match the window to the entry, and so to its
    // icon, by it. The application name stays "Trevalon", which names the settings file.
    QGuiApplication::setDesktopFileName(QStringLiteral(TREVALON_APP_ID));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/trevalon/trevalon.png")));

    SettingsStore settings;
    PortMap ports(&settings);
    SerialComm comm(ports);
    QtDialogs dialogs;
    Fo window(comm, dialogs, settings);
    dialogs.setParent(&window);

    SimulatedChip chip;
    if (options.demo) {
        if (!chip.start(options.simulatorArguments)) {
            std::fprintf(stderr, "trevalon: the simulated chip did not start: %s\n",
                         qPrintable(chip.errorString()));
            return 1;
        }
        const int position = window.core().portPosition();
        const int portNumber = position >= 0 ? position + 1 : 1;
        ports.setRunOverride(portNumber, chip.devicePath());
        window.core().setStoresPortChoice(false);
        std::fprintf(stderr, "trevalon: Comm %d is the simulated KDSP chip at %s\n", portNumber,
                     qPrintable(chip.devicePath()));
        window.lineStatus().setSimulatedChip(chip.devicePath(), options.replayFile);
    }

    // A file that cannot be written is told once; the window works on without recording.
    std::unique_ptr<Recorder> recorder;
    if (!options.recordFile.isEmpty()) {
        QString error;
        recorder = Recorder::start(options.recordFile, window.core(), error);
        if (!recorder)
            std::fprintf(stderr, "trevalon: not recording: %s\n", qPrintable(error));
        window.lineStatus().setRecording([&recorder, error] {
            if (!recorder)
                return LineStatus::Recording{QString(), 0, error, false};
            return LineStatus::Recording{recorder->fileName(), recorder->blocksWritten(),
                                         recorder->failure()};
        });
    }

    // The runs are cut whatever happens to the journal; a journal that cannot write stops and
    // says so in the status line, and the window works on.
    RunCutter runs(window.core());
    RunStanding standing(runs);
    window.lineStatus().setRuns([&standing] { return standing.text(); });
    std::unique_ptr<Journal> journal;
    const JournalSettings::Place place =
        JournalSettings::placeOf(settings, options.journalFolder, options.noJournal);
    if (place.enabled) {
        journal = std::make_unique<Journal>(runs, place.root, place.capBytes);
        window.lineStatus().setJournal([&journal] { return journal->statusText(); });
    }
    // The session's runs as a table, and the button in the status line that opens them. The
    // window owns both; the model is made after the status line, so the button (and the Runs
    // window it holds) goes first.
    auto* runsTable = new RunsModel(&window);
    runsTable->follow(runs);
    new RunsButton(window,
                   {runsTable, place.enabled ? place.root : QString(),
                    [&journal] { return journal ? journal->sessionFolder() : QString(); }},
                   settings);

    if (options.startupProbe)
        new StartupProbe(window); // owned by the window
    window.show();
    return QApplication::exec();
}
