#pragma once

#include <QByteArray>
#include <QStringList>

// The scripted mode of the stand-in viewer, for tests. The viewer inherits the client's environment, so a test sets
//   NUVAVIEW_RECORD=FILE      append one JSON line per start to FILE: {"pid": N, "args": [...]}
//   NUVAVIEW_SCRIPT=STEPS     run these steps instead of opening a window, separated by ";":
//       write:TEXT    write TEXT to standard output at once, no line end added (\n, \t, \0, \; and \\ escapes)
//       sleep:MS      wait MS milliseconds
//       flood:BYTES   write BYTES bytes of filler to standard output
//       close-stdout  close standard output and go on
//       exit:CODE     end with exit code CODE
//       crash         end by SIGSEGV
//   After the last step the viewer keeps running until it is killed.

void recordStart(const QByteArray &file, const QStringList &arguments);
[[noreturn]] void runScript(const QByteArray &steps);
