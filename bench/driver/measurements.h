#pragma once

#include <QList>
#include <QPair>
#include <QString>

// What one start of a program gave, in milliseconds from the moment the driver started it unless said otherwise.
struct StartupRun
{
    double windowMapped = 0;
    double navigation = 0; // the page's navigation began
    double pageLoaded = 0; // the page's DOMContentLoaded
    double channelReady = 0; // the web channel handed the page its objects
    double firstAnswer = 0; // the page's first bridge call answered
    double roundTripP50 = 0; // bridge round trip over 1,000 sequential calls
    double roundTripP99 = 0;
    double pssMb = 0; // the whole process tree, once the page has loaded
    double idleWakeUpsMain = 0; // voluntary context switches in 10 s idle: the main thread
    double idleWakeUpsAll = 0; // and all the main process's threads
    QList<QPair<QString, double>> steps; // the client's start-up steps, in order, each with the moment it ended
};

// A program's game session figures, each a sample per launch.
struct SessionRun
{
    QList<double> startGameToViewer; // the page's startGame call to the viewer process running
    QList<double> tokenToNewViewer; // "fpschanged" written to the new viewer running
};

struct Results
{
    QList<StartupRun> client;
    QList<StartupRun> floor;
    QList<double> bareWindowMapped; // the bare window: start to window mapped
    SessionRun clientSession;
    SessionRun floorSession;
};
