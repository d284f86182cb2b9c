// Orvane, the desktop program: one running copy per user, living in the tray.

#include "app/DamagedHistoryDialog.h"
#include "app/OrvaneApp.h"
#include "app/SingleInstance.h"
#include "app/Translation.h"
#include "engine/ApplicationIdentity.h"
#include "engine/OpenFileLimit.h"
#include "settings/LoginItem.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QLoggingCategory>
#include <QMessageBox>
#include <QWindow>

#include <cstdio>
#include <cstring>

namespace {

Q_DECLARE_LOGGING_CATEGORY(lcApp)
Q_LOGGING_CATEGORY(lcApp, "com.pellunor.Orvane.launch", QtInfoMsg)

using Launch = orvane::OrvaneApp::Launch;

// Given by the session bus when the desktop's search starts the program (share/dbus-1/services).
const QCommandLineOption hiddenOption(QStringLiteral("hidden"),
                                      QStringLiteral("Start in the tray without showing the window, as the desktop's search does."));

// Given by the autostart entry that "Launch at login" writes.
const QCommandLineOption &autostartOption()
{
    static const QCommandLineOption option(orvane::LoginItem::loginArgument.mid(2),
                                           QStringLiteral("Start in the tray, as at login; the window shows only where there is no tray."));
    return option;
}

void describe(QCommandLineParser &parser)
{
    parser.setApplicationDescription(QStringLiteral(
        "Orvane tells you whether a domain name is still free under the TLDs you care about, asking\n"
        "each registry directly. It lives in the system tray; starting it again while it runs\n"
        "brings up its window. For the command line, see orvane-check."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOption(hiddenOption);
    parser.addOption(autostartOption());
}

// --help and --version only print: no display, settings, history or network for them.
bool onlyPrints(int argc, char *argv[])
{
    for (int i = 1; i < argc; ++i) {
        for (const char *option : {"-h", "--help", "-?", "--help-all", "-v", "--version"}) {
            if (std::strcmp(argv[i], option) == 0)
                return true;
        }
    }
    return false;
}

// Whether someone is there to answer a question (not a test's or a script's virtual screen).
bool interactive()
{
    const QString platform = QGuiApplication::platformName();
    return platform != QLatin1String("offscreen") && platform != QLatin1String("minimal");
}

int fail(const QString &message)
{
    std::fprintf(stderr, "%s\n", qUtf8Printable(message));
    if (interactive())
        QMessageBox::critical(nullptr, QStringLiteral("Orvane"), message);
    return 1;
}

const QString desktopId = QStringLiteral("com.pellunor.Orvane");

// X11 names a program's windows (WM_CLASS) after the instance name, which Qt takes from
// RESOURCE_NAME, else the executable's name ("orvane"), once, for the first window it makes. The
// variable is set just for that first window, so that programs started from here (the browser,
// claude) do not inherit it.
void nameX11WindowsAfterDesktopEntry()
{
    if (QGuiApplication::platformName() != QLatin1String("xcb") || qEnvironmentVariableIsSet("RESOURCE_NAME"))
        return;
    qputenv("RESOURCE_NAME", desktopId.toUtf8());
    QWindow first;
    first.create();
    qunsetenv("RESOURCE_NAME");
}

// The token of this launch lets the running program take the focus from the window on top.
QByteArray activationToken()
{
    QByteArray token = qgetenv("XDG_ACTIVATION_TOKEN");
    if (token.isEmpty())
        token = qgetenv("DESKTOP_STARTUP_ID");
    return token.simplified().replace(' ', "");
}

} // namespace

int main(int argc, char *argv[])
{
    if (onlyPrints(argc, argv)) {
        QCoreApplication core(argc, argv);
        orvane::setApplicationIdentity();
        QCoreApplication::setApplicationName(QStringLiteral("orvane")); // as typed: "orvane 1.2"
        QCommandLineParser parser;
        describe(parser);
        parser.process(core); // prints, and ends the process
        return 0;
    }

    orvane::raiseOpenFileLimit();
    orvane::OrvaneApp::chooseRenderer();
    QApplication application(argc, argv);
    orvane::setApplicationIdentity();
    // Docks and task bars match the windows to the desktop entry by this name: the app id on
    // Wayland, and the window class on X11 (StartupWMClass).
    QGuiApplication::setDesktopFileName(desktopId);
    nameX11WindowsAfterDesktopEntry();
    QCommandLineParser parser;
    describe(parser);
    if (!parser.parse(QCoreApplication::arguments())) {
        std::fprintf(stderr, "%s\n", qUtf8Printable(parser.errorText()));
        return 2;
    }
    // No display name: Linux window managers would show it after every title ("Orvane Settings — Orvane").
    QApplication::setQuitOnLastWindowClosed(false);
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/orvane/resources/VarivUzaz.svg")));

    // The user's language, when a translation of it ships with the program.
    orvane::installTranslation();

    // Which launch runs is settled before the settings, the history or the network are touched.
    // One that is to show no window asks the running program for nothing: it is where it should be.
    const Launch launch = parser.isSet(hiddenOption)      ? Launch::hidden
                          : parser.isSet(autostartOption()) ? Launch::atLogin
                                                            : Launch::byUser;
    const auto folder = orvane::SingleInstance::folder();
    if (!folder)
        return fail(QCoreApplication::translate("main", "Orvane cannot start: %1").arg(folder.error()));
    orvane::SingleInstance instance(*folder);
    const auto role = instance.claim(launch == Launch::byUser ? orvane::SingleInstance::Ask::showWindow : orvane::SingleInstance::Ask::nothing,
                                     activationToken());
    if (!role)
        return fail(QCoreApplication::translate("main", "Orvane cannot start: %1").arg(role.error()));
    if (*role == orvane::SingleInstance::Role::handedOver) {
        if (launch == Launch::byUser)
            qCInfo(lcApp, "Orvane already runs; asked it to show its window");
        else
            qCInfo(lcApp, "Orvane already runs");
        return 0;
    }
    // While this one is still starting, a later launch brings forward what it asks the user.
    instance.setHandler([](const QString &) {
        if (QWidget *question = QApplication::activeModalWidget()) {
            question->raise();
            question->activateWindow();
        }
    });

    const auto ask = [](const QString &problem, const QString &aside) {
        orvane::DamagedHistoryDialog question(problem, aside);
        question.exec();
        return question.startNewHistory();
    };
    auto app = orvane::OrvaneApp::make({}, interactive() ? orvane::OrvaneApp::AskToStartNewHistory(ask) : nullptr);
    if (!app)
        return fail(orvane::OrvaneApp::fatalPrefix + app.error().message);

    instance.setHandler([&app](const QString &token) {
        qCInfo(lcApp, "Another launch asked for the main window");
        (*app)->windows()->reopen(token);
    });
    (*app)->start(launch);
    return QApplication::exec();
}
