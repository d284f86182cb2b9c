#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QHash>
#include <QObject>
#include <QStringList>
#include <QTcpServer>

#include <optional>

// A scripted WHOIS server on 127.0.0.1. Answers per query line (without CR LF), falls back
// to a default script, and records every query line it receives.
class FakeWhoisServer : public QObject
{
public:
    struct Script {
        QByteArray answer;
        QList<QByteArray> chunks; // when set, sent one by one instead of `answer`
        int delayMs = 0;          // wait before answering
        bool neverClose = false;  // send the answer, keep the connection open
        bool silent = false;      // send nothing and keep the connection open
        bool reset = false;       // send the answer, then reset the connection
        qint64 endless = 0;       // stream this many bytes (bounded) and keep going while read
    };

    // A token bucket over every query: one that finds no token is answered `refusal`.
    struct Limit {
        double perSecond = 1;
        double burst = 1;
        QByteArray refusal;
    };

    explicit FakeWhoisServer(QObject *parent = nullptr);
    void setLimit(const Limit &limit);

    quint16 port() const { return m_server.serverPort(); }

    void setAnswer(const QString &queryLine, Script script) { m_scripts.insert(queryLine, std::move(script)); }
    void setAnswer(const QString &queryLine, const QByteArray &answer) { m_scripts.insert(queryLine, Script{answer}); }
    void setDefault(Script script) { m_default = std::move(script); }

    // Query lines as received, CR LF removed; rawQueries keeps the bytes exactly.
    const QStringList &queries() const { return m_queries; }
    const QList<QByteArray> &rawQueries() const { return m_raw; }
    int openConnections() const { return m_open; }
    // Connections open when the first answer went out: how many the client sent at once
    // before any answer could let it send more.
    int openAtFirstAnswer() const { return m_openAtFirstAnswer; }

private:
    void serve(class QTcpSocket *socket, const Script &script);

    QTcpServer m_server;
    QHash<QString, Script> m_scripts;
    Script m_default;
    QStringList m_queries;
    QList<QByteArray> m_raw;
    int m_open = 0;
    int m_openAtFirstAnswer = -1;
    std::optional<Limit> m_limit;
    double m_tokens = 0;
    QElapsedTimer m_refilled;
};
Q_DECLARE_METATYPE(FakeWhoisServer::Script)
