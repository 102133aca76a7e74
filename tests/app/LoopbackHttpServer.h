#pragma once
// A small HTTP/1.1 server on 127.0.0.1 for the upload tests. It records every
// request exactly as it arrived and answers with a status and an optional
// "ERROR" header, or never answers at all. With a TLS configuration it speaks
// https on the same terms.

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QPointer>
#include <QSslConfiguration>
#include <QSslSocket>
#include <QTcpServer>
#include <QTcpSocket>

#include <memory>
#include <optional>

struct RecordedRequest
{
    QByteArray raw;         // request line, headers and body as received
    QByteArray requestLine; // e.g. "POST /ktx-pro/ZodiZedere.do HTTP/1.1"
    QList<QPair<QByteArray, QByteArray>> headers; // in the order received, names as sent
    QByteArray body;
    bool encrypted = false; // arrived over TLS

    // The first header of that name (case-insensitive), if any.
    std::optional<QByteArray> header(const QByteArray& name) const
    {
        for (const auto& [n, v] : headers)
            if (n.compare(name, Qt::CaseInsensitive) == 0)
                return v;
        return std::nullopt;
    }
};

class LoopbackHttpServer : public QTcpServer
{
public:
    struct Answer
    {
        int status = 200;
        std::optional<QByteArray> errorHeader;
    };

    LoopbackHttpServer() { listen(QHostAddress::LocalHost, 0); }

    // Serve https with this configuration (certificate and key) from now on.
    void UseTls(const QSslConfiguration& configuration) { m_tls = configuration; }

    void AnswerWith(int status, std::optional<QByteArray> errorHeader = std::nullopt)
    {
        m_answer = Answer{status, std::move(errorHeader)};
    }
    // Read requests but never send a byte back (until AnswerWaiting()).
    void NeverAnswer() { m_answer.reset(); }

    // Answers every request that is still waiting, and later ones the same way.
    void AnswerWaiting(int status, std::optional<QByteArray> errorHeader = std::nullopt)
    {
        AnswerWith(status, std::move(errorHeader));
        const auto waiting = m_waiting;
        m_waiting.clear();
        for (const QPointer<QTcpSocket>& socket : waiting)
            if (socket)
                Respond(socket);
    }

    QString BaseAddress() const
    {
        return QStringLiteral("%1://127.0.0.1:%2").arg(m_tls ? "https" : "http").arg(serverPort());
    }

    const QList<RecordedRequest>& Requests() const { return m_requests; }
    int Connections() const { return m_connections; }
    int Disconnections() const { return m_disconnections; }

protected:
    void incomingConnection(qintptr descriptor) override
    {
        QTcpSocket* socket = nullptr;
        if (m_tls) {
            auto* ssl = new QSslSocket(this);
            ssl->setSslConfiguration(*m_tls);
            ssl->setSocketDescriptor(descriptor);
            ssl->startServerEncryption();
            socket = ssl;
        } else {
            socket = new QTcpSocket(this);
            socket->setSocketDescriptor(descriptor);
        }
        ++m_connections;
        auto buffer = std::make_shared<QByteArray>();
        QObject::connect(socket, &QTcpSocket::readyRead, this, [this, socket, buffer] {
            const QByteArray chunk = socket->readAll();
            *buffer += chunk;
            TryHandle(socket, *buffer);
        });
        QObject::connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
            ++m_disconnections;
            socket->deleteLater();
        });
    }

private:
    void TryHandle(QTcpSocket* socket, QByteArray& buffer)
    {
        const qsizetype headEnd = buffer.indexOf("\r\n\r\n");
        if (headEnd < 0)
            return;
        RecordedRequest request;
        const QList<QByteArray> lines = buffer.left(headEnd).split('\n');
        request.requestLine = lines.value(0).chopped(lines.value(0).endsWith('\r') ? 1 : 0);
        qsizetype contentLength = 0;
        for (qsizetype i = 1; i < lines.size(); ++i) {
            QByteArray line = lines.at(i);
            if (line.endsWith('\r'))
                line.chop(1);
            const qsizetype colon = line.indexOf(':');
            const QByteArray name = line.left(colon);
            QByteArray value = line.mid(colon + 1);
            if (value.startsWith(' '))
                value.remove(0, 1);
            request.headers.append({name, value});
            if (name.compare("Content-Length", Qt::CaseInsensitive) == 0)
                contentLength = value.toLongLong();
        }
        const qsizetype total = headEnd + 4 + contentLength;
        if (buffer.size() < total)
            return;
        request.raw = buffer.left(total);
        if (auto* ssl = qobject_cast<QSslSocket*>(socket))
            request.encrypted = ssl->isEncrypted();
        request.body = buffer.mid(headEnd + 4, contentLength);
        buffer.remove(0, total);
        m_requests.append(request);

        if (!m_answer) {
            m_waiting.append(socket);
            return;
        }
        Respond(socket);
    }

    void Respond(QTcpSocket* socket)
    {
        QByteArray response = "HTTP/1.1 " + QByteArray::number(m_answer->status) + " Answer\r\n";
        if (m_answer->errorHeader)
            response += "ERROR: " + *m_answer->errorHeader + "\r\n";
        response += "Content-Length: 0\r\nConnection: close\r\n\r\n";
        socket->write(response);
        socket->flush();
        socket->disconnectFromHost();
    }

    std::optional<QSslConfiguration> m_tls;
    std::optional<Answer> m_answer = Answer{};
    QList<RecordedRequest> m_requests;
    QList<QPointer<QTcpSocket>> m_waiting;
    int m_connections = 0;
    int m_disconnections = 0;
};
