// Show files with one mistake each, the place it is reported at and a part of the message:
// read in process by the reader's tests and checked by the program's --check.
#pragma once

#include <string>

// Lines 1 to 20: a show of a minute with its music, a modifier and a model; the cases add
// lines from 21 on.
inline const std::string kHead = R"([show]
length = 60
module = "4beat.xm"

[[effect]]
type = "Bass Player"
id = "music"
layer = 1
module = "4beat.xm"

[[modifier]]
type = "Binary operation"
id = "push"
a = { bind = "music.position.2" }
b = 0.01

[[effect]]
type = "model"
id = "ball"
scene = "files/geometry/icosa.kd10s"
)";

struct BadFile {
    const char* name;
    std::string text;
    // "LINE:COLUMN: " and a part of the message.
    const char* expected;
};

inline const BadFile kBadFiles[] = {
    {"syntax", "[show\nname = 1\n", "show.toml:1:6: not a TOML file"},
    {"empty", "# nothing yet\n", "show.toml:1:1: the show is empty"},
    {"unknown table", kHead + "[[effects]]\ntype = \"model\"\n", "21:3: unknown table \"effects\", expected [show]"},
    {"unknown show key", "[show]\nlenght = 10\n", "2:1: unknown key \"lenght\" in [show], expected name, length or module"},
    {"unknown type", kHead + "[[effect]]\ntype = \"modle\"\n", "22:8: unknown effect type \"modle\", did you mean \"model\"?"},
    {"modifier as effect", kHead + "[[effect]]\ntype = \"Sine Wave\"\n", "22:8: unknown effect type \"Sine Wave\": it is a modifier"},
    {"no type", kHead + "[[modifier]]\nid = \"x\"\n", "21:1: each modifier needs a type"},
    {"unknown parameter", kHead + "opacty = 0.5\n", "21:1: unknown parameter \"opacty\" for \"model\": did you mean \"opacity\"?"},
    {"number past 255", kHead + "float.300 = 1.0\n", "21:7: unknown parameter \"float.300\" for \"model\": expected a number from 0 to 255"},
    {"string for a float", kHead + "opacity = \"high\"\n", "21:11: \"opacity\" of `ball` is a float: expected a number"},
    {"float for an int", kHead + "wobble = 1.5\n", "21:10: \"wobble\" of `ball` is an int: expected an integer"},
    {"short vector", kHead + "colour = [0.9, 0.9]\n", "21:10: \"colour\" of `ball` is a vector: expected three numbers"},
    {"output set", kHead + "position = [1.0, 2.0, 3.0]\n", "21:1: \"position\" of `ball` is an output"},
    {"given twice", kHead + "opacity = 0.5\nfloat.12 = 0.7\n", "22:12: \"opacity\" of `ball` is given twice (first at line 21)"},
    {"layer", kHead + "layer = 8\n", "21:9: the layer must be an integer from 0 to 7"},
    {"end before start", kHead + "start = 20\nend = 10\n", "22:7: the end 0:10 is not after the start 0:20"},
    {"end past length", kHead + "end = 70\n", "21:7: the end 1:10 is past the show's length 1:00"},
    {"bad time", kHead + "start = \"1:75\"\n", "21:9: the start: expected seconds (12.5), minutes and seconds (1:02.5)"},
    {"row past the song", kHead + "start = \"@99:0\"\n", "21:9: the start: order 99 is past the song's end (it has "},
    {"music position without module", "[[effect]]\ntype = \"debug\"\nstart = \"@1:0\"\nend = 5\n",
     "3:9: the start: a music position needs the show's module"},
    {"no end, no length", "[[effect]]\ntype = \"debug\"\n", "1:1: \"debug\" needs an end, or the show a length"},
    {"duplicate id", kHead + "[[modifier]]\ntype = \"info\"\nid = \"push\"\n", "23:6: duplicate id \"push\" (first used at line 11)"},
    {"bad id", kHead + "[[modifier]]\ntype = \"info\"\nid = \"my id\"\n", "23:6: an id must be a string of letters"},
    {"bound to nobody", kHead + "rotation-x = { bind = \"nobody.product\" }\n", "21:23: \"rotation-x\" of `ball` is bound to \"nobody\", which no"},
    {"channel it lacks", kHead + "rotation-x = { bind = \"push.quotient\" }\n",
     "21:23: \"rotation-x\" of `ball` is bound to \"quotient\", a channel \"push\" (\"Binary operation\") does not have"},
    {"binding of another kind", kHead + "rotation-x = { bind = \"music.device\" }\n",
     "21:23: \"rotation-x\" of `ball` is a float but \"music.device\" is an int"},
    {"binding without channel", kHead + "rotation-x = { bind = \"push\" }\n", "21:23: \"rotation-x\" of `ball`: the binding \"push\" names no channel"},
    {"binding with more", kHead + "rotation-x = { bind = \"push.sum\", scale = 2 }\n", "21:35: unknown key \"scale\" in a binding"},
    {"cycle", kHead + "[[modifier]]\ntype = \"Binary operation\"\nid = \"back\"\na = { bind = \"forth.sum\" }\n"
                      "[[modifier]]\ntype = \"Binary operation\"\nid = \"forth\"\nb = { bind = \"back.product\" }\n",
     "24:14: binding cycle: back.a -> forth.sum -> forth.b -> back.product -> back.a"},
    {"unknown object", kHead + "[[effect]]\ntype = \"vector field\"\ncount = 1\nbodies.1 = \"ghost\"\n",
     "24:12: \"bodies.1\" of \"vector field\" names \"ghost\", which no effect"},
    {"missing scene file", kHead + "[[effect]]\ntype = \"model\"\nscene = \"files/geometry/none.kd10s\"\n",
     "23:9: \"scene\" of \"model\": \"files/geometry/none.kd10s\" does not exist in the data folder"},
    {"no scene", kHead + "[[effect]]\ntype = \"MAX 4.2 Exported 3d Scene\"\n", "21:1: \"MAX 4.2 Exported 3d Scene\" needs \"scene\""},
    {"missing module", "[show]\nlength = 10\nmodule = \"gone.xm\"\n", "3:10: the module \"gone.xm\" does not exist in the data folder"},
    {"log nobody writes", kHead + "[[modifier]]\ntype = \"log player\"\n",
     "21:1: \"log\" of \"log player\": \"undefined.log\" (the default) does not exist"},
    {"track without id", "[[track]]\nkeys = [{ at = 0, value = 1.0 }]\n", "1:1: a track needs an id"},
    {"track times", kHead + "[[track]]\nid = \"t\"\nkeys = [{ at = 2, value = 1.0 }, { at = \"0:01\", value = 0.0 }]\n",
     "23:41: the key times must rise: 0:01 is not after 0:02"},
    {"track past the song", kHead + "[[track]]\nid = \"t\"\nkeys = [{ at = \"@0:70\", value = 1.0 }]\n",
     "23:16: the key's time: row 70 is past the end of order 0"},
    {"track ease", kHead + "[[track]]\nid = \"t\"\nkeys = [{ at = 0, value = 1.0, then = \"bouncy\" }]\n",
     "23:39: then must be \"step\", \"linear\", \"smooth\" or \"ramp\""},
    {"vector track value", kHead + "[[track]]\nid = \"t\"\nkind = \"vector\"\nkeys = [{ at = 0, value = 1.0 }]\n",
     "24:27: a vector track's value must be three numbers [x, y, z], got a float"},
};

