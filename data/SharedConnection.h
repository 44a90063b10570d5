#pragma once
// The one program-wide connection: start-up creates and opens it, every
// window uses it, shutdown closes and releases it.

class Connection;

// Creates a new, closed connection object, replacing any earlier one.
Connection &createSharedConnection();

// The shared connection. Throws Error when start-up has not created it.
Connection &sharedConnection();

// True when the object exists (open or not).
bool hasSharedConnection();

// Closes and destroys the connection object.
void releaseSharedConnection();
