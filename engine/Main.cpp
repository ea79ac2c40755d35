// Program entry: replaced by the engine's real entry once KorvelX exists.
int main() { return 0; }
