// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/FakeComm.h"

FakeComm::FakeComm() = default;

QByteArray FakeComm::written() const
{
    QByteArray all;
    for (const QByteArray& w : writes)
        all += w;
    return all;
}

void FakeComm::openDevice()
{
    if (commPort() == 0)
        throw CommError(CommErrorNumber::InvalidPort);
    if (const auto it = openFailures.constFind(commPort()); it != openFailures.constEnd()) {
        if (!failureText.isEmpty())
            logFailure(device, failureText);
        throw CommError(it.value());
    }
    ++opens;
    log << QStringLiteral("open %1").arg(commPort());
}

void FakeComm::closeDevice()
{
    ++closes;
    log << QStringLiteral("close");
}

void FakeComm::writeDevice(const QByteArray& bytes)
{
    if (writeFailure != 0)
        throw CommError(writeFailure);
    writes << bytes;
    log << QStringLiteral("write ") + QString::fromLatin1(bytes);
    if (onWrite)
        onWrite(bytes);
}

void FakeComm::flushDeviceInput() {}
