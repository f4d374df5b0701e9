// The child the runner benchmark starts: it ends at once.
int main() {
    return 0;
}
