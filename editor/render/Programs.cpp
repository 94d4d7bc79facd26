#include "editor/render/Programs.h"

#include <cstdio>
#include <initializer_list>

#include "editor/render/GL.h"
#include "editor/render/ShaderSources.h"

unsigned g_shader = 0;
unsigned g_shadowShader = 0;

int g_uMVP = -1, g_uModel = -1, g_uLit = -1, g_uMatColor = -1, g_uMatMetallic = -1, g_uMatRoughness = -1,
    g_uCameraPos = -1, g_uShadowMVP = -1, g_uShadowMapLoc = -1, g_uMatEmissive = -1, g_uNormalScale = -1,
    g_uHeightScale = -1;
int g_uUseAlbedoMap = -1, g_uUseNormalMap = -1, g_uUseMRMap = -1, g_uUseAOMap = -1, g_uUseEmissiveMap = -1,
    g_uUseHeightMap = -1;
int g_uAlbedoMap = -1, g_uNormalMap = -1, g_uMRMap = -1, g_uAOMap = -1, g_uEmissiveMap = -1, g_uHeightMap = -1;

unsigned g_texWhite = 0;
unsigned g_texFlatNormal = 0;
unsigned g_texBlack = 0;

namespace {

const NamedUniformLocation kLitUniforms[] = {
    {"uMVP", &g_uMVP},
    {"uModel", &g_uModel},
    {"uLit", &g_uLit},
    {"uMatColor", &g_uMatColor},
    {"uMatMetallic", &g_uMatMetallic},
    {"uMatRoughness", &g_uMatRoughness},
    {"uCameraPos", &g_uCameraPos},
    {"uShadowMVP", &g_uShadowMVP},
    {"uShadowMap", &g_uShadowMapLoc},
    {"uMatEmissive", &g_uMatEmissive},
    {"uNormalScale", &g_uNormalScale},
    {"uHeightScale", &g_uHeightScale},
    {"uUseAlbedoMap", &g_uUseAlbedoMap},
    {"uUseNormalMap", &g_uUseNormalMap},
    {"uUseMRMap", &g_uUseMRMap},
    {"uUseAOMap", &g_uUseAOMap},
    {"uUseEmissiveMap", &g_uUseEmissiveMap},
    {"uUseHeightMap", &g_uUseHeightMap},
    {"uAlbedoMap", &g_uAlbedoMap},
    {"uNormalMap", &g_uNormalMap},
    {"uMetallicRoughnessMap", &g_uMRMap},
    {"uAOMap", &g_uAOMap},
    {"uEmissiveMap", &g_uEmissiveMap},
    {"uHeightMap", &g_uHeightMap},
};

const AttribBinding kMeshAttribs[] = {
    {0, "aPos"}, {1, "aColor"}, {2, "aNormal"}, {3, "aUV"}, {4, "aTangent"},
};

void PointSamplersAtUnits() {
    if (!g_shader) return;
    GLint previous = 0;
    glGetIntegerv(GL_CURRENT_PROGRAM, &previous);
    glUseProgram(g_shader);
    const struct {
        int loc;
        int unit;
    } samplers[] = {
        {g_uShadowMapLoc, kTexUnitShadow}, {g_uAlbedoMap, kTexUnitAlbedo},     {g_uNormalMap, kTexUnitNormal},
        {g_uMRMap, kTexUnitMR},            {g_uAOMap, kTexUnitAO},             {g_uEmissiveMap, kTexUnitEmissive},
        {g_uHeightMap, kTexUnitHeight},
    };
    // Every sampler defaults to unit 0; left there, the shadow sampler and
    // the colour samplers would share one unit of different types and the
    // draw would fail validation until each pass happened to set them all.
    for (const auto& s : samplers) {
        if (s.loc >= 0) glUniform1i(s.loc, s.unit);
    }
    glUseProgram(GLuint(previous));
}

} // namespace

unsigned CompileShader(unsigned type, const char* source) {
    GLuint shader = glCreateShader(type);
    glShaderSource(shader, 1, &source, nullptr);
    glCompileShader(shader);
    GLint ok = GL_FALSE;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
    if (!ok) {
        char log[513] = {};
        glGetShaderInfoLog(shader, 512, nullptr, log);
        std::fprintf(stderr, "Shader:%s\n", log);
    }
    return shader;
}

unsigned LinkProgramWithAttribs(const char* vertSrc, const char* fragSrc, const AttribBinding* attribs,
                                int attribCount, const char* failPrefix) {
    GLuint vs = CompileShader(GL_VERTEX_SHADER, vertSrc);
    GLuint fs = CompileShader(GL_FRAGMENT_SHADER, fragSrc);
    GLuint program = glCreateProgram();
    glAttachShader(program, vs);
    glAttachShader(program, fs);
    for (int i = 0; i < attribCount; ++i) glBindAttribLocation(program, attribs[i].location, attribs[i].name);
    glLinkProgram(program);
    GLint ok = GL_FALSE;
    glGetProgramiv(program, GL_LINK_STATUS, &ok);
    if (!ok && failPrefix) {
        char log[513] = {};
        glGetProgramInfoLog(program, 512, nullptr, log);
        std::fprintf(stderr, "%s%s\n", failPrefix, log);
    }
    glDetachShader(program, vs);
    glDetachShader(program, fs);
    glDeleteShader(vs);
    glDeleteShader(fs);
    if (!ok) {
        // A half-made program would be "used" by every pass and draw
        // undefined results; 0 makes the passes skip drawing instead.
        glDeleteProgram(program);
        return 0;
    }
    return program;
}

void LookupLitUniforms() {
    for (const NamedUniformLocation& u : kLitUniforms) {
        *u.location = g_shader ? glGetUniformLocation(g_shader, u.name) : -1;
    }
}

int LitUniformTable(const NamedUniformLocation** out) {
    *out = kLitUniforms;
    return int(sizeof(kLitUniforms) / sizeof(kLitUniforms[0]));
}

void InitScenePrograms() {
    DeleteScenePrograms();
    g_shader = LinkProgramWithAttribs(g_vert, g_frag, kMeshAttribs, 5, "Program link:");
    LookupLitUniforms();
    PointSamplersAtUnits();
    InitDefaultPBRTextures();
    const AttribBinding shadowAttribs[] = {{0, "aPos"}};
    g_shadowShader = LinkProgramWithAttribs(g_shadowVert, g_shadowFrag, shadowAttribs, 1, "Shadow link:");
}

void DeleteScenePrograms() {
    if (g_shader) glDeleteProgram(g_shader);
    if (g_shadowShader) glDeleteProgram(g_shadowShader);
    g_shader = 0;
    g_shadowShader = 0;
    LookupLitUniforms();
}

unsigned MakeSolidTex(uint8_t r, uint8_t g, uint8_t b, uint8_t a, bool srgb) {
    const uint8_t pixel[4] = {r, g, b, a};
    GLuint tex = 0;
    glGenTextures(1, &tex);
    glBindTexture(GL_TEXTURE_2D, tex);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, srgb ? GL_SRGB8_ALPHA8 : GL_RGBA8, 1, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixel);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glBindTexture(GL_TEXTURE_2D, 0);
    return tex;
}

void InitDefaultPBRTextures() {
    if (!g_texWhite) g_texWhite = MakeSolidTex(255, 255, 255, 255, true);
    if (!g_texFlatNormal) g_texFlatNormal = MakeSolidTex(128, 128, 255, 255, false);
    if (!g_texBlack) g_texBlack = MakeSolidTex(0, 0, 0, 255, false);
}

void DeleteDefaultPBRTextures() {
    for (unsigned* t : {&g_texWhite, &g_texFlatNormal, &g_texBlack}) {
        if (*t) glDeleteTextures(1, t);
        *t = 0;
    }
}
