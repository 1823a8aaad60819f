// Anchor for the resource library: the string table and icons are linked in
// through it, and every library that shows text depends on it.
namespace orb { int resourcesLinked() { return 1; } }
