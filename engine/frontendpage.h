#pragma once

class QObject;
class QWebEnginePage;

// The page that hosts the service's front end. Where the build pins the service's own certificate authority, a chain
// that the engine does not trust is accepted for the front end's host when it leads to that authority alone
// (isTrustedServiceChain); every other certificate error is refused, as the engine does by default. A chain the engine
// trusts already (its own store) cannot be refused from here: the pin adds a trust, it takes none away.
QWebEnginePage *newFrontEndPage(QObject *parent);
