#pragma once

// Exit codes of DllSearchProbe.exe: which file a load by name took.
enum ProbeResult : int {
    ProbePlanted = 10,       // the planted DLL (it has the marker export)
    ProbeSystem = 20,        // a DLL directly in the system folder
    ProbeNotLoaded = 30,     // nothing was loaded
    ProbeElsewhere = 40,     // some other file
    ProbeAlreadyLoaded = 50, // the DLL was in the process before the probe asked for it
    ProbeUsage = 60,
};
