#pragma once

#include <QMap>
#include <QString>
#include <QStringList>

#include <expected>
#include <optional>

namespace orvane::cli {

// A TLD as given on the command line (".com", "COM", ".co.uk", ".рф") in the form the registries
// are asked about (".com", ".co.uk", ".xn--p1ai"); none when it is no TLD (".c_m", ".a b", "com,io").
std::optional<QString> parseTLD(const QString &text);

// One name of the input: a bare name ("example"), or a whole domain split where its public
// suffix begins, by the Public Suffix List's ICANN section ("www.example.co.uk": name "example",
// suffix ".co.uk", "www" left out). A trailing dot is ignored.
struct SplitName {
    QString name;         // normalised (lower case, NFC), one label, not yet checked as a name
    QString suffix;       // ASCII, with its dot; empty for a bare name
    QString leftOut;      // the labels before the name, "www"; empty when none
};
std::expected<SplitName, QString> splitName(const QString &text);

// Lists of TLDs by name: the built-in "popular", "tech" and "country", and the user's own from
// `file` (lines "name = .com .io" or "name = .com,.io"; "#" starts a comment), which may
// redefine a built-in one. "all" is not among them: it means every TLD there is.
struct Presets {
    QMap<QString, QStringList> lists; // ASCII TLDs
    // Why the user's file was refused, naming the file and the line; empty when it was read.
    QString error;
};
Presets loadPresets(const QString &file);

// Every name `name` gives with each prefix in front and each suffix behind, the bare name
// first ("get" + "example" + "hq"): the empty prefix and suffix are always among them.
QStringList permutations(const QString &name, const QStringList &prefixes, const QStringList &suffixes);

} // namespace orvane::cli
