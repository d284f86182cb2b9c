<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>BrandFooter</name>
    <message>
        <source>© %1 Pellunor. Made for people naming things.</source>
        <translation>© %1 Pellunor. Für alle, die Dingen Namen geben.</translation>
    </message>
    <message>
        <source>Open %1 in your default browser</source>
        <translation>%1 im Standardbrowser öffnen</translation>
    </message>
    <message>
        <source>Welcome</source>
        <translation>Willkommen</translation>
    </message>
    <message>
        <source>Re-open the welcome screen</source>
        <translation>Den Willkommensbildschirm wieder öffnen</translation>
    </message>
    <message>
        <source>Quit</source>
        <translation>Beenden</translation>
    </message>
    <message>
        <source>Quit Orvane</source>
        <translation>Orvane beenden</translation>
    </message>
</context>
<context>
    <name>BrandHeader</name>
    <message>
        <source>Private WHOIS searching. No stress approach.</source>
        <translation>Private WHOIS-Suche. Ganz entspannt.</translation>
    </message>
    <message>
        <source>Settings (configure TLDs, Claude)</source>
        <translation>Einstellungen (TLDs, Claude)</translation>
    </message>
    <message>
        <source>Settings</source>
        <translation>Einstellungen</translation>
    </message>
    <message>
        <source>Version %1</source>
        <translation>Version %1</translation>
    </message>
</context>
<context>
    <name>ClaudeCLIError</name>
    <message>
        <source>Could not launch claude CLI: %1</source>
        <translation>Das Kommandozeilenwerkzeug „claude“ ließ sich nicht starten: %1</translation>
    </message>
    <message>
        <source>claude exited with code %1. </source>
        <translation>claude wurde mit Code %1 beendet. </translation>
    </message>
    <message>
        <source>Could not parse claude output. Got:
%1</source>
        <translation>Die Ausgabe von claude ließ sich nicht lesen. Erhalten:
%1</translation>
    </message>
    <message>
        <source>The “claude” command-line tool was not found. Set its path in Settings, or install Claude Code.</source>
        <translation>Das Kommandozeilenwerkzeug „claude“ wurde nicht gefunden. Geben Sie seinen Pfad in den Einstellungen an oder installieren Sie Claude Code.</translation>
    </message>
    <message>
        <source>claude CLI timed out.</source>
        <translation>claude hat nicht rechtzeitig geantwortet.</translation>
    </message>
    <message>
        <source>claude returned no output.</source>
        <translation>claude hat nichts ausgegeben.</translation>
    </message>
</context>
<context>
    <name>ConfirmDialog</name>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
</context>
<context>
    <name>ContentView</name>
    <message>
        <source>Clear all search history?</source>
        <translation>Den ganzen Suchverlauf löschen?</translation>
    </message>
    <message>
        <source>This deletes every saved search and its results. This cannot be undone.</source>
        <translation>Damit werden alle gespeicherten Suchen und ihre Ergebnisse gelöscht. Das lässt sich nicht rückgängig machen.</translation>
    </message>
    <message numerus="yes">
        <source>Clear %n searches</source>
        <translation>
            <numerusform>%n Suche löschen</numerusform>
            <numerusform>%n Suchen löschen</numerusform>
        </translation>
    </message>
    <message>
        <source>Delete the search “%1”?</source>
        <translation>Die Suche „%1“ löschen?</translation>
    </message>
    <message>
        <source>This deletes the saved search and its results. This cannot be undone.</source>
        <translation>Damit werden die gespeicherte Suche und ihre Ergebnisse gelöscht. Das lässt sich nicht rückgängig machen.</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>Löschen</translation>
    </message>
</context>
<context>
    <name>DamagedHistoryDialog</name>
    <message>
        <source>Your search history cannot be opened.</source>
        <translation>Ihr Suchverlauf lässt sich nicht öffnen.</translation>
    </message>
    <message>
        <source>%1

Orvane can move it aside, renamed to
%2
in the same folder (nothing is deleted), and start a new, empty history.</source>
        <translation>%1

Orvane kann ihn im selben Ordner umbenennen in
%2
(es wird nichts gelöscht) und einen neuen, leeren Verlauf beginnen.</translation>
    </message>
    <message>
        <source>Move Aside and Start New History</source>
        <translation>Umbenennen und neuen Verlauf beginnen</translation>
    </message>
    <message>
        <source>Quit</source>
        <translation>Beenden</translation>
    </message>
</context>
<context>
    <name>DesktopSearchBus</name>
    <message>
        <source>Available</source>
        <translation>Frei</translation>
    </message>
    <message>
        <source>Taken</source>
        <translation>Vergeben</translation>
    </message>
    <message>
        <source>Unclear</source>
        <translation>Unklar</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>Fehler</translation>
    </message>
    <message>
        <source>Checking…</source>
        <translation>Wird geprüft …</translation>
    </message>
    <message>
        <source>Copy domain</source>
        <translation>Domain kopieren</translation>
    </message>
    <message>
        <source>Watch</source>
        <translation>Beobachten</translation>
    </message>
    <message>
        <source>%1 — %2</source>
        <translation>%1 – %2</translation>
    </message>
</context>
<context>
    <name>HistoricalStrip</name>
    <message>
        <source>Historical search results: %1, %2</source>
        <translation>Frühere Suchergebnisse: %1, %2</translation>
    </message>
    <message>
        <source>Historical search results</source>
        <translation>Frühere Suchergebnisse</translation>
    </message>
    <message>
        <source>HISTORICAL SEARCH RESULTS</source>
        <translation>FRÜHERE SUCHERGEBNISSE</translation>
    </message>
    <message>
        <source>New search</source>
        <translation>Neue Suche</translation>
    </message>
    <message>
        <source>Start a new search</source>
        <translation>Eine neue Suche beginnen</translation>
    </message>
    <message>
        <source>“%1”</source>
        <extracomment>A search&apos;s name in quotation marks.</extracomment>
        <translation>„%1“</translation>
    </message>
</context>
<context>
    <name>HistoryRow</name>
    <message>
        <source>%1/%2 free</source>
        <translation>%1/%2 frei</translation>
    </message>
    <message>
        <source>%1, %2, %3</source>
        <translation>%1, %2, %3</translation>
    </message>
    <message>
        <source>%1, %2</source>
        <translation>%1, %2</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>Löschen</translation>
    </message>
</context>
<context>
    <name>HistorySidebar</name>
    <message>
        <source>History</source>
        <translation>Verlauf</translation>
    </message>
    <message numerus="yes">
        <source>%n saved searches</source>
        <translation>
            <numerusform>%n gespeicherte Suche</numerusform>
            <numerusform>%n gespeicherte Suchen</numerusform>
        </translation>
    </message>
    <message>
        <source>Dismiss this message</source>
        <translation>Diese Meldung schließen</translation>
    </message>
    <message>
        <source>Search history</source>
        <translation>Suchverlauf</translation>
    </message>
    <message>
        <source>No searches yet</source>
        <translation>Noch keine Suchen</translation>
    </message>
    <message>
        <source>Your domain searches will appear here.</source>
        <translation>Ihre Domainsuchen erscheinen hier.</translation>
    </message>
    <message>
        <source>Watching</source>
        <translation>Beobachtet</translation>
    </message>
    <message>
        <source>Watched domains</source>
        <translation>Beobachtete Domains</translation>
    </message>
    <message>
        <source>available</source>
        <translation>frei</translation>
    </message>
    <message>
        <source>taken</source>
        <translation>vergeben</translation>
    </message>
    <message>
        <source>unclear</source>
        <translation>unklar</translation>
    </message>
    <message>
        <source>error</source>
        <translation>Fehler</translation>
    </message>
    <message>
        <source>not checked yet</source>
        <translation>noch nicht geprüft</translation>
    </message>
    <message>
        <source>expired</source>
        <translation>abgelaufen</translation>
    </message>
    <message>
        <source>redemption period</source>
        <translation>Redemption-Phase</translation>
    </message>
    <message>
        <source>pending delete</source>
        <translation>Löschung steht bevor</translation>
    </message>
    <message>
        <source>%1 · expected free around %2</source>
        <translation>%1 · voraussichtlich frei um den %2</translation>
    </message>
    <message>
        <source>About %1: the date its registry gives for its deletion.</source>
        <translation>Um den %1: das Datum, das die Registry für die Löschung nennt.</translation>
    </message>
    <message>
        <source>About %1: a name is released 5 days after it enters pending delete (on %2).</source>
        <translation>Um den %1: Ein Name wird 5 Tage nach Beginn der anstehenden Löschung (am %2) freigegeben.</translation>
    </message>
    <message>
        <source>About %1: redemption lasts 30 days from %2, then 5 days of pending delete follow.</source>
        <translation>Um den %1: Die Redemption-Phase dauert 30 Tage ab dem %2, danach folgen 5 Tage bis zur Löschung.</translation>
    </message>
    <message>
        <source>About %1, if no one renews it: it expired on %2; a registrar may keep an expired name up to 45 days, then 30 days of redemption and 5 of pending delete follow.</source>
        <translation>Um den %1, falls niemand den Namen verlängert: Er ist am %2 abgelaufen; ein Registrar darf einen abgelaufenen Namen bis zu 45 Tage halten, danach folgen 30 Tage Redemption-Phase und 5 Tage bis zur Löschung.</translation>
    </message>
    <message>
        <source>%1, %2, %3</source>
        <translation>%1, %2, %3</translation>
    </message>
    <message>
        <source>%1, %2</source>
        <translation>%1, %2</translation>
    </message>
    <message>
        <source>%1 · %2</source>
        <translation>%1 · %2</translation>
    </message>
    <message>
        <source>Stop watching</source>
        <translation>Entfernen</translation>
    </message>
    <message>
        <source>Stop checking %1 in the background</source>
        <translation>%1 nicht mehr im Hintergrund prüfen</translation>
    </message>
    <message>
        <source>Delete every saved search (asks for confirmation)</source>
        <translation>Alle gespeicherten Suchen löschen (mit Rückfrage)</translation>
    </message>
    <message>
        <source>Clear all history</source>
        <translation>Ganzen Verlauf löschen</translation>
    </message>
</context>
<context>
    <name>OnboardingView</name>
    <message>
        <source>A calmer way to search for domains</source>
        <translation>Domains suchen, ganz in Ruhe</translation>
    </message>
    <message>
        <source>Orvane checks the top-level domains you care about, without sending your queries to a third-party domain-checking service.</source>
        <translation>Orvane prüft die Top-Level-Domains, die Ihnen wichtig sind, ohne Ihre Anfragen an einen fremden Domain-Prüfdienst zu schicken.</translation>
    </message>
    <message>
        <source>Direct WHOIS and RDAP lookups to authoritative registries</source>
        <translation>WHOIS- und RDAP-Abfragen direkt bei den zuständigen Registries</translation>
    </message>
    <message>
        <source>Local search history, never uploaded</source>
        <translation>Lokaler Suchverlauf, der nie hochgeladen wird</translation>
    </message>
    <message>
        <source>Optional Claude-powered brainstorming for alternative names</source>
        <translation>Auf Wunsch Ideen für andere Namen von Claude</translation>
    </message>
    <message>
        <source>Private by design</source>
        <translation>Privat von Grund auf</translation>
    </message>
    <message>
        <source>Every domain check goes directly from this Mac to the registry that owns the TLD. Nothing in between.</source>
        <translation>Jede Prüfung geht direkt von diesem Mac an die Registry, der die TLD gehört. Nichts dazwischen.</translation>
    </message>
    <message>
        <source>Every domain check goes directly from this computer to the registry that owns the TLD. Nothing in between.</source>
        <translation>Jede Prüfung geht direkt von diesem Computer an die Registry, der die TLD gehört. Nichts dazwischen.</translation>
    </message>
    <message>
        <source>.com goes to Verisign. .ai goes to Identity Digital. And so on.</source>
        <translation>.com geht an Verisign, .ai an Identity Digital, und so weiter.</translation>
    </message>
    <message>
        <source>RDAP over HTTPS by default, port 43 WHOIS as fallback</source>
        <translation>Standardmäßig RDAP über HTTPS, WHOIS über Port 43 als Ausweichweg</translation>
    </message>
    <message>
        <source>No analytics, no telemetry, no third-party trackers</source>
        <translation>Keine Analyse, keine Telemetrie, keine fremden Tracker</translation>
    </message>
    <message>
        <source>You&apos;re all set</source>
        <translation>Alles bereit</translation>
    </message>
    <message>
        <source>Look for the cairn icon in your menu bar. Click it any time to open Orvane.</source>
        <translation>Achten Sie auf das Steinmännchen in der Menüleiste. Ein Klick darauf öffnet Orvane jederzeit.</translation>
    </message>
    <message>
        <source>Left-click the menu bar icon to open the search window</source>
        <translation>Ein Linksklick auf das Symbol in der Menüleiste öffnet das Suchfenster</translation>
    </message>
    <message>
        <source>Right-click for a Quit menu</source>
        <translation>Ein Rechtsklick öffnet ein Menü zum Beenden</translation>
    </message>
    <message>
        <source>All settings live in Orvane then Settings</source>
        <translation>Alle Einstellungen finden Sie unter Orvane › Einstellungen</translation>
    </message>
    <message>
        <source>Look for the cairn icon in your system tray. Click it any time to open Orvane.</source>
        <translation>Achten Sie auf das Steinmännchen im Systembereich der Leiste. Ein Klick darauf öffnet Orvane jederzeit.</translation>
    </message>
    <message>
        <source>Click the tray icon to show or hide the search window</source>
        <translation>Ein Klick auf das Symbol zeigt oder verbirgt das Suchfenster</translation>
    </message>
    <message>
        <source>Right-click it for Show Orvane, Settings… and Quit Orvane</source>
        <translation>Ein Rechtsklick bietet „Orvane zeigen“, „Einstellungen …“ und „Orvane beenden“</translation>
    </message>
    <message>
        <source>Settings open from the gear in the window&apos;s header, or with Ctrl+,</source>
        <translation>Die Einstellungen öffnen Sie über das Zahnrad oben im Fenster oder mit Strg+,</translation>
    </message>
    <message>
        <source>Your desktop shows no system tray, so Orvane lives in its window: closing the window quits Orvane, and starting it again from your applications brings it back.</source>
        <translation>Ihr Desktop zeigt keinen Systembereich, daher lebt Orvane in seinem Fenster: Wer das Fenster schließt, beendet Orvane, und ein neuer Start aus den Anwendungen holt es zurück.</translation>
    </message>
    <message>
        <source>Your search history is kept from one run to the next</source>
        <translation>Ihr Suchverlauf bleibt von einem Start zum nächsten erhalten</translation>
    </message>
    <message>
        <source>Ctrl+Q quits, Ctrl+N starts a new search</source>
        <translation>Strg+Q beendet, Strg+N beginnt eine neue Suche</translation>
    </message>
    <message>
        <source>Welcome to Orvane, page %1 of %2</source>
        <translation>Willkommen bei Orvane, Seite %1 von %2</translation>
    </message>
    <message>
        <source>Welcome</source>
        <translation>Willkommen</translation>
    </message>
    <message>
        <source>Brainstorm with Claude</source>
        <translation>Ideen sammeln mit Claude</translation>
    </message>
    <message>
        <source>Run quietly in the background</source>
        <translation>Leise im Hintergrund laufen</translation>
    </message>
    <message>
        <source>Orvane can call your local Claude Code subscription to suggest alternative domain names. The check runs entirely between this Mac and Claude, no separate API key needed.</source>
        <translation>Orvane kann Ihr lokales Claude-Code-Abonnement nutzen, um andere Domainnamen vorzuschlagen. Das läuft ganz zwischen diesem Mac und Claude, ein eigener API-Schlüssel ist nicht nötig.</translation>
    </message>
    <message>
        <source>Orvane can call your local Claude Code subscription to suggest alternative domain names. The check runs entirely between this computer and Claude, no separate API key needed.</source>
        <translation>Orvane kann Ihr lokales Claude-Code-Abonnement nutzen, um andere Domainnamen vorzuschlagen. Das läuft ganz zwischen diesem Computer und Claude, ein eigener API-Schlüssel ist nicht nötig.</translation>
    </message>
    <message>
        <source>Orvane lives in the menu bar with no Dock icon. You can have it start automatically each time you log in.</source>
        <translation>Orvane lebt in der Menüleiste, ohne Symbol im Dock. Auf Wunsch startet es bei jeder Anmeldung von selbst.</translation>
    </message>
    <message>
        <source>Orvane lives in the system tray. You can have it start automatically each time you log in.</source>
        <translation>Orvane lebt im Systembereich der Leiste. Auf Wunsch startet es bei jeder Anmeldung von selbst.</translation>
    </message>
    <message>
        <source>Orvane runs in its own window. You can have it start automatically each time you log in.</source>
        <translation>Orvane läuft in seinem eigenen Fenster. Auf Wunsch startet es bei jeder Anmeldung von selbst.</translation>
    </message>
    <message>
        <source>Enable Claude brainstorming</source>
        <translation>Ideen von Claude einschalten</translation>
    </message>
    <message>
        <source>Launch Orvane at login</source>
        <translation>Orvane bei der Anmeldung starten</translation>
    </message>
    <message>
        <source>Requires the “claude” command-line tool (from Homebrew or npm).</source>
        <translation>Dafür wird das Kommandozeilenwerkzeug „claude“ gebraucht (über Homebrew oder npm).</translation>
    </message>
    <message>
        <source>macOS may ask once for access to Claude&apos;s data folder. That is the only access prompt this app triggers.</source>
        <translation>macOS fragt womöglich einmal nach dem Zugriff auf Claudes Datenordner. Das ist die einzige Zugriffsabfrage, die Orvane auslöst.</translation>
    </message>
    <message>
        <source>Requires the “claude” command-line tool (from npm or Claude’s own installer).</source>
        <translation>Dafür wird das Kommandozeilenwerkzeug „claude“ gebraucht (über npm oder das Installationsprogramm von Claude).</translation>
    </message>
    <message>
        <source>Your desktop may ask once for access to Claude&apos;s data folder. That is the only access prompt this app triggers.</source>
        <translation>Ihr Desktop fragt womöglich einmal nach dem Zugriff auf Claudes Datenordner. Das ist die einzige Zugriffsabfrage, die Orvane auslöst.</translation>
    </message>
    <message>
        <source>For this to work, drag Orvane to your Applications folder first. The toggle takes effect once the app is installed there.</source>
        <translation>Ziehen Sie Orvane dafür zuerst in den Ordner „Programme“. Der Schalter wirkt, sobald Orvane dort installiert ist.</translation>
    </message>
    <message>
        <source>Orvane adds itself to your desktop&apos;s autostart folder (~/.config/autostart). Turning this off removes it again.</source>
        <translation>Orvane trägt sich in den Autostart-Ordner Ihres Desktops ein (~/.config/autostart). Ausgeschaltet entfernt es den Eintrag wieder.</translation>
    </message>
    <message>
        <source>Page %1 of %2</source>
        <translation>Seite %1 von %2</translation>
    </message>
    <message>
        <source>Back</source>
        <translation>Zurück</translation>
    </message>
    <message>
        <source>Get started</source>
        <translation>Los geht’s</translation>
    </message>
    <message>
        <source>Next</source>
        <translation>Weiter</translation>
    </message>
</context>
<context>
    <name>OnboardingWindow</name>
    <message>
        <source>Welcome to Orvane</source>
        <translation>Willkommen bei Orvane</translation>
    </message>
</context>
<context>
    <name>OrvaneApp</name>
    <message>
        <source>%1 is available</source>
        <translation>%1 ist frei</translation>
    </message>
    <message>
        <source>%1 entered its redemption period</source>
        <translation>%1 ist in der Redemption-Phase</translation>
    </message>
    <message>
        <source>%1 is pending delete</source>
        <translation>Die Löschung von %1 steht bevor</translation>
    </message>
    <message>
        <source>%1: expected free around %2</source>
        <translation>%1: voraussichtlich frei um den %2</translation>
    </message>
</context>
<context>
    <name>ResultRow</name>
    <message>
        <source>Available</source>
        <translation>Frei</translation>
    </message>
    <message>
        <source>available</source>
        <translation>frei</translation>
    </message>
    <message>
        <source>Taken</source>
        <translation>Vergeben</translation>
    </message>
    <message>
        <source>taken</source>
        <translation>vergeben</translation>
    </message>
    <message>
        <source>Unclear</source>
        <translation>Unklar</translation>
    </message>
    <message>
        <source>unclear</source>
        <translation>unklar</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>Fehler</translation>
    </message>
    <message>
        <source>error</source>
        <translation>Fehler</translation>
    </message>
    <message>
        <source>Checking</source>
        <translation>Wird geprüft</translation>
    </message>
    <message>
        <source>checking</source>
        <translation>wird geprüft</translation>
    </message>
    <message>
        <source>%1, %2, %3</source>
        <translation>%1, %2, %3</translation>
    </message>
    <message>
        <source>%1, %2</source>
        <translation>%1, %2</translation>
    </message>
    <message>
        <source>%1, %2 (%3)</source>
        <translation>%1, %2 (%3)</translation>
    </message>
    <message>
        <source>Open %1 in your browser</source>
        <translation>%1 im Browser öffnen</translation>
    </message>
    <message>
        <source>Watching</source>
        <translation>Beobachtet</translation>
    </message>
    <message>
        <source>Watch</source>
        <translation>Beobachten</translation>
    </message>
    <message>
        <source>Stop checking %1 in the background</source>
        <translation>%1 nicht mehr im Hintergrund prüfen</translation>
    </message>
    <message>
        <source>Check %1 again in the background and tell me when it is free</source>
        <translation>%1 im Hintergrund weiter prüfen und Bescheid geben, sobald die Domain frei ist</translation>
    </message>
    <message>
        <source>Copy domain</source>
        <translation>Domain kopieren</translation>
    </message>
    <message>
        <source>Toggle raw WHOIS</source>
        <translation>Rohe WHOIS-Antwort ein- oder ausblenden</translation>
    </message>
    <message>
        <source>%1 limits how fast it answers</source>
        <translation>%1 begrenzt, wie schnell es antwortet</translation>
    </message>
    <message>
        <source>Copy</source>
        <translation>Kopieren</translation>
    </message>
    <message>
        <source>Open in Browser</source>
        <translation>Im Browser öffnen</translation>
    </message>
    <message>
        <source>Stop Watching</source>
        <translation>Nicht mehr beobachten</translation>
    </message>
    <message>
        <source>Stop watching %1</source>
        <translation>%1 nicht mehr beobachten</translation>
    </message>
    <message>
        <source>Watch %1</source>
        <translation>%1 beobachten</translation>
    </message>
    <message>
        <source>Copy %1</source>
        <translation>%1 kopieren</translation>
    </message>
    <message>
        <source>Show registry answer for %1</source>
        <translation>Antwort der Registry für %1 zeigen</translation>
    </message>
</context>
<context>
    <name>SearchPaneView</name>
    <message>
        <source>Search</source>
        <translation>Suche</translation>
    </message>
    <message>
        <source>Domain name (e.g. pellunor)</source>
        <translation>Domainname (z. B. pellunor)</translation>
    </message>
    <message>
        <source>Domain name</source>
        <translation>Domainname</translation>
    </message>
    <message>
        <source>Checking</source>
        <translation>Wird geprüft</translation>
    </message>
    <message>
        <source>Check</source>
        <translation>Prüfen</translation>
    </message>
    <message>
        <source>No extensions selected</source>
        <translation>Keine Endungen ausgewählt</translation>
    </message>
    <message>
        <source>Checking %1</source>
        <translation>Prüft %1</translation>
    </message>
    <message>
        <source>Results</source>
        <translation>Ergebnisse</translation>
    </message>
    <message numerus="yes">
        <source>%n available</source>
        <translation>
            <numerusform>%n frei</numerusform>
            <numerusform>%n frei</numerusform>
        </translation>
    </message>
    <message>
        <source>Brainstorm</source>
        <translation>Ideen</translation>
    </message>
    <message>
        <source>Regenerate</source>
        <translation>Neu erzeugen</translation>
    </message>
    <message>
        <source>Generate ideas</source>
        <translation>Ideen erzeugen</translation>
    </message>
    <message>
        <source>Generate alternative names. Suggestions go through your local Claude Code subscription, nothing is sent to third-party services.</source>
        <translation>Andere Namen vorschlagen lassen. Die Vorschläge kommen über Ihr lokales Claude-Code-Abonnement, nichts geht an fremde Dienste.</translation>
    </message>
    <message numerus="yes">
        <source>%1 and %n more</source>
        <translation>
            <numerusform>%1 und %n weitere</numerusform>
            <numerusform>%1 und %n weitere</numerusform>
        </translation>
    </message>
    <message>
        <source>%1 of %2 available: %3</source>
        <translation>%1 von %2 frei: %3</translation>
    </message>
    <message>
        <source>%1 of %2 available</source>
        <translation>%1 von %2 frei</translation>
    </message>
</context>
<context>
    <name>SettingsView</name>
    <message>
        <source>Found at %1</source>
        <translation>Gefunden unter %1</translation>
    </message>
    <message>
        <source>Nothing found at %1.</source>
        <translation>Unter %1 wurde nichts gefunden.</translation>
    </message>
    <message>
        <source>Not found in PATH or common locations.</source>
        <translation>Weder im PATH noch an den üblichen Orten gefunden.</translation>
    </message>
    <message>
        <source>TLDs</source>
        <translation>TLDs</translation>
    </message>
    <message>
        <source>Claude</source>
        <translation>Claude</translation>
    </message>
    <message>
        <source>Sound</source>
        <translation>Ton</translation>
    </message>
    <message>
        <source>General</source>
        <translation>Allgemein</translation>
    </message>
    <message>
        <source>Top-level domains to check on every search.</source>
        <translation>Top-Level-Domains, die jede Suche prüft.</translation>
    </message>
    <message>
        <source>Type to find a TLD…</source>
        <translation>Tippen, um eine TLD zu finden …</translation>
    </message>
    <message>
        <source>All known TLDs already added</source>
        <translation>Alle bekannten TLDs sind schon hinzugefügt</translation>
    </message>
    <message>
        <source>TLD to add</source>
        <translation>Hinzuzufügende TLD</translation>
    </message>
    <message>
        <source>Matching TLDs</source>
        <translation>Passende TLDs</translation>
    </message>
    <message>
        <source>Add</source>
        <translation>Hinzufügen</translation>
    </message>
    <message>
        <source>Top-level domains</source>
        <translation>Top-Level-Domains</translation>
    </message>
    <message>
        <source>Drag to reorder</source>
        <translation>Zum Umsortieren ziehen</translation>
    </message>
    <message>
        <source>Remove %1</source>
        <translation>%1 entfernen</translation>
    </message>
    <message>
        <source>Restore defaults</source>
        <translation>Standard wiederherstellen</translation>
    </message>
    <message>
        <source>Use Claude to suggest alternative names</source>
        <translation>Claude andere Namen vorschlagen lassen</translation>
    </message>
    <message>
        <source>Orvane runs the “claude” command-line tool without a window (“claude -p”), using your Claude Code subscription. Nothing is sent to third-party services.</source>
        <translation>Orvane ruft das Kommandozeilenwerkzeug „claude“ ohne Fenster auf („claude -p“) und nutzt dabei Ihr Claude-Code-Abonnement. Nichts geht an fremde Dienste.</translation>
    </message>
    <message>
        <source>Claude binary path</source>
        <translation>Pfad zum Programm „claude“</translation>
    </message>
    <message>
        <source>Auto-detect</source>
        <translation>Automatisch finden</translation>
    </message>
    <message>
        <source>Detect</source>
        <translation>Suchen</translation>
    </message>
    <message>
        <source>Leave blank to auto-detect. The app checks /opt/homebrew/bin, /usr/local/bin, ~/.claude/local, and your login-shell PATH.</source>
        <translation>Leer lassen, um es automatisch zu finden. Orvane sucht in /opt/homebrew/bin, /usr/local/bin, ~/.claude/local und im PATH Ihrer Login-Shell.</translation>
    </message>
    <message>
        <source>Leave blank to auto-detect. The app checks /usr/local/bin, /usr/bin, ~/.claude/local, ~/.local/bin, ~/.npm-global/bin, ~/.bun/bin, ~/.volta/bin and ~/.fnm.</source>
        <translation>Leer lassen, um es automatisch zu finden. Orvane sucht in /usr/local/bin, /usr/bin, ~/.claude/local, ~/.local/bin, ~/.npm-global/bin, ~/.bun/bin, ~/.volta/bin und ~/.fnm.</translation>
    </message>
    <message>
        <source>Ring a gong when a search finds an available domain</source>
        <translation>Einen Gong schlagen, wenn eine Suche eine freie Domain findet</translation>
    </message>
    <message>
        <source>A soft synthesized gong plays once per search if at least one of the checked TLDs is available. Set system volume to taste.</source>
        <translation>Ein sanfter Gong erklingt einmal pro Suche, wenn mindestens eine der geprüften TLDs frei ist. Die Lautstärke regeln Sie im System.</translation>
    </message>
    <message>
        <source>Preview gong</source>
        <translation>Gong anhören</translation>
    </message>
    <message>
        <source>Launch Orvane at login</source>
        <translation>Orvane bei der Anmeldung starten</translation>
    </message>
    <message>
        <source>Orvane starts quietly in the menu bar each time you log in.</source>
        <translation>Orvane startet bei jeder Anmeldung leise in der Menüleiste.</translation>
    </message>
    <message>
        <source>Orvane starts each time you log in, through your desktop&apos;s autostart folder (~/.config/autostart).</source>
        <translation>Orvane startet bei jeder Anmeldung, über den Autostart-Ordner Ihres Desktops (~/.config/autostart).</translation>
    </message>
</context>
<context>
    <name>SettingsWindow</name>
    <message>
        <source>Orvane Settings</source>
        <translation>Orvane-Einstellungen</translation>
    </message>
</context>
<context>
    <name>SuggestionRow</name>
    <message>
        <source>%1, %2</source>
        <translation>%1, %2</translation>
    </message>
    <message>
        <source>Check</source>
        <translation>Prüfen</translation>
    </message>
    <message>
        <source>Check %1</source>
        <translation>%1 prüfen</translation>
    </message>
</context>
<context>
    <name>WatchList</name>
    <message>
        <source>Could not read the watched domains: %1: %2</source>
        <translation>Die beobachteten Domains ließen sich nicht lesen: %1: %2</translation>
    </message>
    <message>
        <source>Could not record the check of %1: %2: %3</source>
        <translation>Die Prüfung von %1 ließ sich nicht speichern: %2: %3</translation>
    </message>
</context>
<context>
    <name>main</name>
    <message>
        <source>Orvane cannot start: %1</source>
        <translation>Orvane kann nicht starten: %1</translation>
    </message>
</context>
<context>
    <name>orvane::DesktopNotifier</name>
    <message>
        <source>Show</source>
        <translation>Zeigen</translation>
    </message>
</context>
<context>
    <name>orvane::Format</name>
    <message>
        <source>just now</source>
        <translation>gerade eben</translation>
    </message>
    <message numerus="yes">
        <source>%Ln sec.</source>
        <translation>
            <numerusform>%Ln Sek.</numerusform>
            <numerusform>%Ln Sek.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%Ln min.</source>
        <translation>
            <numerusform>%Ln Min.</numerusform>
            <numerusform>%Ln Min.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%Ln hr.</source>
        <translation>
            <numerusform>%Ln Std.</numerusform>
            <numerusform>%Ln Std.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%Ln days</source>
        <translation>
            <numerusform>%Ln Tag</numerusform>
            <numerusform>%Ln Tagen</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%Ln wk.</source>
        <translation>
            <numerusform>%Ln Wo.</numerusform>
            <numerusform>%Ln Wo.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%Ln mo.</source>
        <translation>
            <numerusform>%Ln Mon.</numerusform>
            <numerusform>%Ln Mon.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%Ln yr.</source>
        <translation>
            <numerusform>%Ln J.</numerusform>
            <numerusform>%Ln J.</numerusform>
        </translation>
    </message>
    <message>
        <source>in %1</source>
        <extracomment>A time to come; %1 is an amount such as &quot;5 min.&quot; or &quot;2 days&quot;.</extracomment>
        <translation>in %1</translation>
    </message>
    <message>
        <source>%1 ago</source>
        <extracomment>A time past; %1 is an amount such as &quot;5 min.&quot; or &quot;2 days&quot;.</extracomment>
        <translation>vor %1</translation>
    </message>
    <message>
        <source>%1 at %2</source>
        <extracomment>A date and a time of day: &quot;Monday, 7 December 2026 at 07:42&quot;.</extracomment>
        <translation>%1 um %2</translation>
    </message>
    <message>
        <source>expires %1</source>
        <extracomment>%1 is a date: &quot;expires 2 March 2027&quot;.</extracomment>
        <translation>läuft am %1 ab</translation>
    </message>
</context>
<context>
    <name>orvane::HistoryActions</name>
    <message>
        <source>Could not delete the search “%1”</source>
        <translation>Die Suche „%1“ ließ sich nicht löschen</translation>
    </message>
    <message>
        <source>Could not clear the history</source>
        <translation>Der Verlauf ließ sich nicht löschen</translation>
    </message>
    <message>
        <source>Could not watch %1</source>
        <translation>%1 ließ sich nicht beobachten</translation>
    </message>
    <message>
        <source>Could not stop watching %1</source>
        <translation>%1 ließ sich nicht aus der Beobachtung nehmen</translation>
    </message>
</context>
<context>
    <name>orvane::LiveResultsModel</name>
    <message>
        <source>mixed scripts</source>
        <translation>gemischte Schriften</translation>
    </message>
    <message>
        <source>look-alike letters</source>
        <translation>verwechselbare Buchstaben</translation>
    </message>
    <message>
        <source>Registry asked to wait — retrying in %1 s</source>
        <translation>Die Registry bittet um Geduld – neuer Versuch in %1 s</translation>
    </message>
</context>
<context>
    <name>orvane::LookupText</name>
    <message>
        <source>Invalid TLD: %1</source>
        <translation>Ungültige TLD: %1</translation>
    </message>
    <message>
        <source>No WHOIS server known for %1</source>
        <translation>Kein WHOIS-Server für %1 bekannt</translation>
    </message>
    <message>
        <source>Connection failed: %1</source>
        <translation>Verbindung fehlgeschlagen: %1</translation>
    </message>
    <message>
        <source>Read failed: %1</source>
        <translation>Lesen fehlgeschlagen: %1</translation>
    </message>
    <message>
        <source>WHOIS query timed out</source>
        <translation>Zeitüberschreitung bei der WHOIS-Abfrage</translation>
    </message>
    <message>
        <source>WHOIS server asked to wait longer than allowed: %1</source>
        <translation>Der WHOIS-Server verlangt eine längere Wartezeit als erlaubt: %1</translation>
    </message>
    <message>
        <source>waiting: %1</source>
        <translation>beim Verbindungsaufbau: %1</translation>
    </message>
    <message>
        <source>send: %1</source>
        <translation>beim Senden: %1</translation>
    </message>
    <message>
        <source>Answer too large</source>
        <translation>Antwort zu groß</translation>
    </message>
    <message>
        <source>RDAP not supported for %1</source>
        <translation>RDAP wird für %1 nicht unterstützt</translation>
    </message>
    <message>
        <source>RDAP HTTP error %1</source>
        <translation>RDAP-HTTP-Fehler %1</translation>
    </message>
    <message>
        <source>RDAP network error: %1</source>
        <translation>RDAP-Netzwerkfehler: %1</translation>
    </message>
    <message>
        <source>Invalid RDAP URL</source>
        <translation>Ungültige RDAP-URL</translation>
    </message>
    <message>
        <source>RDAP server returned invalid response</source>
        <translation>Der RDAP-Server hat eine ungültige Antwort geliefert</translation>
    </message>
    <message>
        <source>RDAP rate limit exceeded</source>
        <translation>RDAP-Abfragelimit überschritten</translation>
    </message>
    <message>
        <source>RDAP secure connection failed with %1</source>
        <translation>Sichere RDAP-Verbindung fehlgeschlagen bei %1</translation>
    </message>
    <message>
        <source>Domain not registered.</source>
        <translation>Domain nicht registriert.</translation>
    </message>
    <message>
        <source>Domain not registered. (RDAP returned 404.)</source>
        <translation>Domain nicht registriert. (RDAP meldete 404.)</translation>
    </message>
    <message>
        <source>Domain is registered. (RDAP returned 200 OK.)</source>
        <translation>Domain ist registriert. (RDAP meldete 200 OK.)</translation>
    </message>
    <message>
        <source>Unexpected RDAP response.</source>
        <translation>Unerwartete RDAP-Antwort.</translation>
    </message>
    <message>
        <source>The request timed out.</source>
        <translation>Zeitüberschreitung bei der Anfrage.</translation>
    </message>
    <message>
        <source>Cancelled</source>
        <translation>Abgebrochen</translation>
    </message>
</context>
<context>
    <name>orvane::SearchPaneModel</name>
    <message>
        <source>Enter a name (letters, digits, hyphens, no spaces or dots).</source>
        <translation>Geben Sie einen Namen ein (Buchstaben, Ziffern, Bindestriche, keine Leerzeichen oder Punkte).</translation>
    </message>
    <message>
        <source>Select at least one TLD to check.</source>
        <translation>Wählen Sie mindestens eine TLD zum Prüfen aus.</translation>
    </message>
    <message>
        <source>Could not save search history: </source>
        <translation>Der Suchverlauf ließ sich nicht speichern: </translation>
    </message>
    <message>
        <source>Enter a valid name first.</source>
        <translation>Geben Sie zuerst einen gültigen Namen ein.</translation>
    </message>
    <message>
        <source>Claude suggestions are disabled in Settings.</source>
        <translation>Vorschläge von Claude sind in den Einstellungen ausgeschaltet.</translation>
    </message>
</context>
<context>
    <name>orvane::TrayIcon</name>
    <message numerus="yes">
        <source>Watching %n</source>
        <translation>
            <numerusform>%n beobachtet</numerusform>
            <numerusform>%n beobachtet</numerusform>
        </translation>
    </message>
    <message>
        <source>%1 is free</source>
        <translation>%1 ist frei</translation>
    </message>
    <message numerus="yes">
        <source>%n watched names are free</source>
        <translation>
            <numerusform>%n beobachteter Name ist frei</numerusform>
            <numerusform>%n beobachtete Namen sind frei</numerusform>
        </translation>
    </message>
    <message>
        <source>Show Orvane</source>
        <translation>Orvane zeigen</translation>
    </message>
    <message>
        <source>Recent Searches</source>
        <translation>Letzte Suchen</translation>
    </message>
    <message>
        <source>Watching</source>
        <translation>Beobachtet</translation>
    </message>
    <message>
        <source>Settings…</source>
        <translation>Einstellungen …</translation>
    </message>
    <message>
        <source>Quit Orvane</source>
        <translation>Orvane beenden</translation>
    </message>
    <message>
        <source>%1 (free)</source>
        <translation>%1 (frei)</translation>
    </message>
</context>
</TS>
