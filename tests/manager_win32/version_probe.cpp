// A program file whose version information has a FileVersion with parentheses in its first translation.
int main() {
    return 0;
}
