#include "ValueEntry.h"

QString valueFormHelp()
{
    return QString(
               "Values (set), in the form in which the report prints them:\n"
               "  numbers      separated by blanks or commas: 0.7, 3,5 or 1 2 3; floats must be finite\n"
               "  colour       3 numbers, or 4 with alpha (1 when left out)\n"
               "  output size  width and height in pixels, powers of two, then optionally %1 or %2\n"
               "               (the sync state stays when left out): 1024 1024, 1024 x 512 %2\n"
               "  string       the rest of the step: Old oak, \"\" for an empty string\n"
               "  image        the path of a binary PPM file, \"\" for none\n"
               "A value outside the property's range, or an integer outside its map, is set with a warning.\n")
        .arg(oxValueForms::SyncedWord, oxValueForms::UnsyncedWord);
}
