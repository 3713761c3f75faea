// Placeholder entry point until the generator lands.
int main() { return 1; }
