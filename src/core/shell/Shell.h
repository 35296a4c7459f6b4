// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Start-up, shutdown, the port field and the About box.

#include <QString>
#include <QStringList>

class Core;
class Link;

class Shell {
public:
    Shell(Core& core, Link& link);

    void startUp();
    void shutDown();
    void closePortForNewChoice();
    void showAbout();

    // A demonstration run on the simulated chip leaves the stored port choice as it found it.
    void setStoresPortChoice(bool stores) { storesPortChoice_ = stores; }

    // The 255 entries "Comm  1" ... "Comm  255".
    static QStringList portEntries();
    // The list position a stored text selects: its leading number rounded halves to even;
    // a value outside -1..254 selects nothing (-1).
    static int storedPosition(const QString& stored);
    // What shutdown stores for a list position: " 0" ... " 254", or "-1".
    static QString positionText(int position);
    static QString aboutText();

private:
    Core& core_;
    Link& link_;
    bool storesPortChoice_ = true;
};
