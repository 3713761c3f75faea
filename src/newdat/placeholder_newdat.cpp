// Removed once the generator lands.
namespace quorvel { int newdat_placeholder = 0; }
