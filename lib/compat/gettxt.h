// A message catalogue lookup in the manner of System V's gettxt(3C), which
// this platform lacks.
//
// A message identifier has the form "catalogue:number".  The catalogue is a
// plain text file named after the catalogue in a folder named after the
// LC_MESSAGES locale, under $SCAN_MSGDIR (default /usr/share/scan/msg):
// line N of the file is message N.  When there is no such catalogue, no such
// line, or the line is empty, the default text is returned.
#ifndef SCAN_COMPAT_GETTXT_H
#define SCAN_COMPAT_GETTXT_H

// Returns the localised text of msgid, or dflt.  The result stays valid for
// the life of the process.
const char* gettxt(const char* msgid, const char* dflt);

#endif
