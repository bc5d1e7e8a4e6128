#pragma once

namespace mulan::site_server {

// Ctrl+C and termination (SIGINT, SIGTERM; on Windows the console's close events) are taken by
// WaitForStopSignal instead of ending the process. Called before any other thread starts.
void CatchStopSignals();

// Waits, costing nothing, until one of them comes.
void WaitForStopSignal();

}  // namespace mulan::site_server
