// The one instance of the program-wide state, with static storage duration.
#include "app/scene_state.h"

SceneState scene;
