// One service per installation folder: two would count the same documents twice and sign them twice.
#pragma once

// Takes the installation's lock for the life of the process. False, with a line on standard output and
// in the log, when another service holds it; a lock that cannot be made is logged and not in the way.
bool TakeInstallationLock();
