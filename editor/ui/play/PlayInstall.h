#pragma once
// Installs play mode into the application: the window's keys, buttons and
// mouse motion as the input source, the loading step that sets up the
// default input bindings, the cursor mode, the liquid material hook of the
// presets and inspector, the editor hooks of the transport and Game panel,
// and the guards that keep play from saving, replacing or undoing the
// edited scene. One call from the main loop at start-up.

// editorCamera: the editor camera's eye and target, which the Game panel
// shows when the scene has no camera (null: a fixed default view).
void InstallPlayMode(void (*editorCamera)(float eye[3], float target[3]));
