// The one failure convention: a failed step raises std::runtime_error with the
// step text and the thread's last-error code.
#pragma once

// Returns when ok; otherwise raises "<step> (Windows error <code>)".
void check_step(bool ok, const char* step);
