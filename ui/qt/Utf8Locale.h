#pragma once

// Qt needs the characters of the C library's locale to be UTF-8. Where the
// environment gives another encoding, the plain C locale included (LANG
// unset, as for root in a container or a bare session), Qt 6.8 switches to
// the same locale in UTF-8 itself, but prints four lines about it on the
// terminal first. This makes the same switch beforehand, in the environment
// Qt reads its locale from, so Qt finds UTF-8 and the player sees nothing.
// A UTF-8 locale is left alone. Call before QApplication.
void useUtf8CharactersWhenUnset();
