#pragma once
// The scene's GL programs, their uniform locations and the 1x1 fallback
// textures. Main thread only; every name is 0 until created.
//
//   CompileShader            compile one stage (a failure prints "Shader:%s")
//   LinkProgramWithAttribs   link, or delete the program and return 0
//   InitScenePrograms        lit + shadow programs, locations, samplers, fallbacks
//   DeleteScenePrograms      undo InitScenePrograms
//   MakeSolidTex / InitDefaultPBRTextures / DeleteDefaultPBRTextures
//   LookupLitUniforms        re-read every g_u* location from g_shader
//
// A program whose link fails is deleted and its name set to 0; the passes
// skip drawing with program 0. Each sampler of the lit program is pointed at
// its texture unit once, right after linking.

#include <cstdint>

// Texture units of the lit program. Unit 0 belongs to the UI renderer.
enum : int {
    kTexUnitShadow = 1,
    kTexUnitAlbedo = 2,
    kTexUnitNormal = 3,
    kTexUnitMR = 4,
    kTexUnitAO = 5,
    kTexUnitEmissive = 6,
    kTexUnitHeight = 7,
};

extern unsigned g_shader;        // lit program
extern unsigned g_shadowShader;  // depth-only program

// Uniform locations in g_shader (-1 = not in the program, skipped on upload).
extern int g_uMVP, g_uModel, g_uLit, g_uMatColor, g_uMatMetallic, g_uMatRoughness, g_uCameraPos, g_uShadowMVP,
    g_uShadowMapLoc, g_uMatEmissive, g_uNormalScale, g_uHeightScale;
extern int g_uUseAlbedoMap, g_uUseNormalMap, g_uUseMRMap, g_uUseAOMap, g_uUseEmissiveMap, g_uUseHeightMap;
extern int g_uAlbedoMap, g_uNormalMap, g_uMRMap, g_uAOMap, g_uEmissiveMap, g_uHeightMap;

// Fallback textures bound where a material has no map.
extern unsigned g_texWhite;       // 255,255,255,255 sRGB
extern unsigned g_texFlatNormal;  // 128,128,255,255 linear
extern unsigned g_texBlack;       // 0,0,0,255 linear

unsigned CompileShader(unsigned type, const char* source);

struct AttribBinding {
    unsigned location;
    const char* name;
};
// Compiles both stages, binds the attributes, links and deletes the shader
// objects. On a failed link prints failPrefix + info log (when failPrefix is
// not null), deletes the program and returns 0.
unsigned LinkProgramWithAttribs(const char* vertSrc, const char* fragSrc, const AttribBinding* attribs,
                                int attribCount, const char* failPrefix);

void InitScenePrograms();
void DeleteScenePrograms();
void LookupLitUniforms();

unsigned MakeSolidTex(uint8_t r, uint8_t g, uint8_t b, uint8_t a, bool srgb);
void InitDefaultPBRTextures();
void DeleteDefaultPBRTextures();

// Names and locations of every uniform the lit program must expose, for
// start-up checks and tests.
struct NamedUniformLocation {
    const char* name;
    int* location;
};
int LitUniformTable(const NamedUniformLocation** out);
