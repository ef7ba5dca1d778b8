// Placeholder entry point of the texture extractor.
int main() { return 0; }
