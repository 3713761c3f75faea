// Removed once the run control lands.
namespace quorvel { int driver_placeholder = 0; }
