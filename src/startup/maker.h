#pragma once
// Who made the saver, in one place: the statement box, the dialog's logo tooltip and link,
// and the version information all take these. Plain macros, so that the resource
// compiler can read them too.
#define GLIMRA_MAKER_NAME L"Glimra 工作室"
#define GLIMRA_MAKER_ADDRESS "https://www.glimra.example/"
