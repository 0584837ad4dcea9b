/*
 * host_api.h - the one boundary between the host application and a plug-in module.
 *
 * The host hands a module a pointer to `HostApi` at system init (c4d_main action 1, in p1).
 * Everything a module may ask of the host goes through this table; everything the host may
 * ask of a plug-in goes through the class tables a module registers (HostShaderClass,
 * HostToolClass).
 *
 * Rules of this header, so that modules built against an older copy keep working:
 *  - plain C only: fixed-width integers, doubles, opaque handles, UTF-8 strings as pointer plus
 *    length. No C++ types and no exceptions cross it;
 *  - every family struct starts with its own size in bytes; functions are only ever added at
 *    the end of a family, never reordered or removed. A module checks `size` before calling a
 *    function that a later revision added;
 *  - every function states which thread may call it: [main] the host's main thread only,
 *    [any] render threads too (concurrently, without locks);
 *  - host_api_layout.h holds the layout every compiler must give this header; after a change,
 *    `python3 tools/host_api_layout.py --write` writes it again (docs/architecture.md).
 */
#ifndef OMBREL_HOST_API_H
#define OMBREL_HOST_API_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Interface version this header describes; hosts below HOST_API_MIN_VERSION are refused. */
#define HOST_API_VERSION 13000
#define HOST_API_MIN_VERSION 13000

/* Header revision: raised whenever functions are appended to a family. */
#define HOST_API_REVISION 4

typedef int32_t HostBool;
#define HOST_TRUE 1
#define HOST_FALSE 0

/* ---- opaque handles: the host owns what they point at ------------------------------------- */
typedef struct HostModule HostModule;           /* the calling module, as the host knows it */
typedef struct HostNode HostNode;               /* any scene node: document, object, material, tag, shader */
typedef struct HostContainer HostContainer;     /* parameter container (BaseContainer) */
typedef struct HostData HostData;               /* one typed value (GeData) */
typedef struct HostLink HostLink;               /* weak link to a node (BaseLink) */
typedef struct HostResource HostResource;       /* a module's loaded string table and descriptions */
typedef struct HostDescription HostDescription; /* a description being built for the interface */
typedef struct HostGradient HostGradient;       /* gradient custom data */
typedef struct HostBitmap HostBitmap;           /* bitmap */
typedef struct HostVolume HostVolume;           /* render context of one sample (VolumeData) */
typedef struct HostRayObject HostRayObject;     /* a render object as the renderer sees it */
typedef struct HostAtomArray HostAtomArray;     /* ordered array of node references */
typedef struct HostAliasTrans HostAliasTrans;   /* maps nodes to their clones while cloning */
typedef struct HostBrowseFiles HostBrowseFiles; /* a walk over the entries of one folder */
typedef struct HostEditorWindow HostEditorWindow; /* the window of a view: drags, input state */
typedef struct HostDrawHelp HostDrawHelp;       /* per-object drawing context of a redraw */
typedef struct HostThread HostThread;           /* the thread a call runs on, as the host knows it */

/* ---- plain records -------------------------------------------------------------------------- */
typedef struct HostStr {
  const char* data; /* UTF-8, not NUL-terminated */
  int64_t length;   /* bytes */
} HostStr;

typedef struct HostVector {
  double x, y, z;
} HostVector;

/* An affine map: off is the translation, v1..v3 the images of the x, y and z axes. */
typedef struct HostMatrix {
  HostVector off, v1, v2, v3;
} HostMatrix;

/* One level of a description ID. */
typedef struct HostDescLevel {
  int32_t id;
  int32_t dtype;   /* data type, 0 when unknown */
  int32_t creator; /* plug-in ID that made the entry, 0 when unknown */
} HostDescLevel;

#define HOST_DESCID_MAX_DEPTH 7
typedef struct HostDescId {
  int32_t depth;
  HostDescLevel level[HOST_DESCID_MAX_DEPTH];
} HostDescId;

/* Per-sample record handed to a shader's Output. */
typedef struct HostChannelData {
  HostVector p;    /* texture point (u, v, w) */
  HostVector n;    /* surface normal */
  HostVector d;    /* filter delta in texture space */
  double t;        /* time in seconds */
  int32_t texflag; /* HOST_TEX_* flags; bits 6..9 hold the channel being rendered */
  int32_t reserved;
  HostVolume* vd;  /* may be null (material previews, bakes) */
} HostChannelData;

#define HOST_TEX_TILE 1
#define HOST_TEX_MIRROR 2
#define HOST_TEX_CHANNEL_SHIFT 6
#define HOST_TEX_CHANNEL_MASK (15 << HOST_TEX_CHANNEL_SHIFT)
#define HOST_CHANNEL_ALPHA 7

/* Render set-up record handed to InitRender. */
typedef struct HostInitRender {
  HostNode* document;
  double time;            /* seconds */
  double fps;
  HostBool linearWorkflow; /* colours are converted from sRGB to linear */
  int32_t threadCount;    /* render threads that will call Output */
} HostInitRender;

/* Node messages the host sends as the user works in the interface. */
/* (19, the parameter-set message, is defined with the shader messages below.) */
#define HOST_MSG_DESCRIPTION_COMMAND 18 /* a button was pressed: data is HostDescriptionCommand* */
#define HOST_MSG_DESCRIPTION_CHECKUPDATE 20 /* after a user edit, as message 19: data is HostDescPostSet* */

typedef struct HostDescriptionCommand {
  HostDescId id; /* the pressed button */
} HostDescriptionCommand;

/* SetDParameter flags: a plug-in that stored the value itself sets this bit; otherwise the host
   stores it. */
#define HOST_DESCFLAGS_SET_PARAM_SET 2
/* The value is set by the user through the interface (as opposed to a plug-in or a script). */
#define HOST_DESCFLAGS_SET_USERINTERACTION 4

/* Document time: numerator over denominator, in seconds. */
typedef struct HostTime {
  double numerator;
  double denominator;
} HostTime;

/* Plug-in kinds in the registry. */
#define HOST_PLUGINTYPE_SHADER 1
#define HOST_PLUGINTYPE_TOOL 9
#define HOST_PLUGINTYPE_BITMAPLOADER 13

/* ---- what a module registers: shader class -------------------------------------------------- */
/*
 * One entry per operation of a channel shader, in the host's slot order. `self` is the
 * plug-in object the class's `alloc` returned. Null entries are not allowed: the SDK fills
 * every slot, with the host default where a plug-in has nothing of its own.
 */
typedef struct HostShaderClass {
  uint32_t size;
  const void* classData;                                  /* the module's own record, handed to alloc */
  void* (*alloc)(const void* classData);                  /* [main] new plug-in object or null */
  void (*destroy)(void* self);                            /* [main] destructor, then free */
  HostBool (*init)(void* self, HostNode* node);           /* [main] write defaults */
  HostBool (*message)(void* self, HostNode* node, int32_t type, void* data); /* [main] */
  HostBool (*getDDescription)(void* self, HostNode* node, HostDescription* description,
                              int32_t* flags);            /* [main] */
  HostBool (*getDEnabling)(void* self, HostNode* node, const HostDescId* id, const HostData* data,
                           int32_t flags, const HostContainer* itemDescription); /* [main] */
  HostBool (*setDParameter)(void* self, HostNode* node, const HostDescId* id, const HostData* data,
                            int32_t* flags);              /* [main] */
  int32_t (*getRenderInfo)(void* self, HostNode* shader); /* [main] */
  int32_t (*initRender)(void* self, HostNode* shader, const HostInitRender* irs); /* [main] 0 = ok */
  void (*freeRender)(void* self, HostNode* shader);       /* [main] */
  HostVector (*output)(void* self, HostNode* shader, HostChannelData* cd); /* [any] */
} HostShaderClass;

/* ---- what a module registers: tool class ---------------------------------------------------- */
typedef struct HostToolClass {
  uint32_t size;
  void (*destroy)(void* self);                            /* [main] destructor, then free */
  HostBool (*initTool)(void* self, HostNode* doc, HostContainer* settings); /* [main] */
  void (*freeTool)(void* self, HostNode* doc, HostContainer* settings);     /* [main] */
  void (*initDefaultSettings)(void* self, HostNode* doc, HostContainer* settings); /* [main] */
  HostStr (*getResourceSymbol)(void* self);               /* [main] description name */
  HostBool (*setDParameter)(void* self, HostNode* doc, HostContainer* settings,
                            const HostDescId* id, const HostData* data, int32_t* flags); /* [main] */
  HostBool (*message)(void* self, HostNode* doc, HostContainer* settings, int32_t type,
                      void* data);                        /* [main] */
  int32_t (*getToolPluginId)(void* self);                 /* [main] */
  /* ---- revision 4: tools in a view. A view is a node of base type HOST_BASETYPE_VIEW ---- */
  /* [main] a mouse press in the view; msg holds HOST_MSG_POINTER_X/Y. TRUE when handled */
  HostBool (*mouseInput)(void* self, HostNode* doc, HostContainer* settings, HostNode* view,
                         HostEditorWindow* win, const HostContainer* msg);
  /* [main] a key press in the view; FALSE leaves the key to the host */
  HostBool (*keyboardInput)(void* self, HostNode* doc, HostContainer* settings, HostNode* view,
                            HostEditorWindow* win, const HostContainer* msg);
  /* [main] the pointer is at (x, y) in view pixels; result (id HOST_CURSORINFO_LEAVE when the
     pointer leaves the view) takes the cursor to show at entry HOST_RESULT_CURSOR */
  HostBool (*getCursorInfo)(void* self, HostNode* doc, HostContainer* settings, HostNode* view,
                            double x, double y, HostContainer* result);
  /* [main] draw into the view; help and thread may be null. HOST_TOOLDRAW_* */
  int32_t (*draw)(void* self, HostNode* doc, HostContainer* settings, HostNode* view,
                  HostDrawHelp* help, HostThread* thread, int32_t flags);
} HostToolClass;

/* ---- service families ------------------------------------------------------------------------ */

/* Memory. Every block is counted against the calling module. */
typedef struct HostMemoryApi {
  uint32_t size;
  /* [any] size bytes, or null on failure; file and line name the request for leak reports */
  void* (*alloc)(HostModule* module, int64_t size, int32_t line, const char* file);
  /* [any] grow or shrink; null on failure with the old block untouched */
  void* (*realloc)(HostModule* module, void* block, int64_t size);
  /* [any] null is allowed */
  void (*free)(HostModule* module, void* block);
} HostMemoryApi;

/* Strings and resources. */
typedef struct HostStringApi {
  uint32_t size;
  /* [main] write one line on the host console */
  void (*print)(HostModule* module, HostStr line);
  /* [any] real to text into buf (at most capacity bytes); returns the full length needed.
     before/after: fixed digit counts, -1 for "as needed"; fill: the fill character */
  int64_t (*realToText)(double value, int32_t before, int32_t after, HostBool exponent,
                        uint32_t fill, char* buf, int64_t capacity);
  /* [main] load the string table and descriptions from a module folder; null on failure */
  HostResource* (*resourceLoad)(HostModule* module, HostStr moduleFolder);
  /* [main] */
  void (*resourceFree)(HostModule* module, HostResource* resource);
  /* [main] string by ID; empty when the ID is unknown. Valid while the resource is loaded */
  HostStr (*resourceString)(const HostResource* resource, int32_t id);

  /* ---- revision 3: descriptions a plug-in builds (see HOST_DESC_* below) ---- */
  /* [main] a new empty description owned by the module; null on failure */
  HostDescription* (*descriptionNew)(HostModule* module);
  /* [main] null is allowed */
  void (*descriptionFree)(HostModule* module, HostDescription* description);
  /* [main] replace the description's entries by the registered description of plug-in id;
     FALSE (entries unchanged) when the plug-in has none */
  HostBool (*descriptionLoad)(HostDescription* description, int32_t pluginId);
  /* [main] the attribute container of the entry with this ID, or null. Levels match by id;
     a data type or creator of 0 on either side matches any. Valid until the description changes */
  const HostContainer* (*descriptionGetEntry)(const HostDescription* description, const HostDescId* id);
  /* [main] add an entry (its attributes are copied) at the end of the group; FALSE when the ID
     is taken, the group does not exist or there is no memory. A group of depth 0 is the top */
  HostBool (*descriptionAdd)(HostDescription* description, const HostContainer* entry, const HostDescId* id,
                             const HostDescId* group);
  /* [main] the index-th entry in order, its attributes and its group; FALSE past the end */
  HostBool (*descriptionBrowse)(const HostDescription* description, int32_t index, HostDescId* id,
                                const HostContainer** entry, HostDescId* group);
  /* [main] copy the index-th entry of `from` into `to`: it replaces the entry with the same ID,
     else is added at the end of its group (at the top when `to` lacks the group). FALSE past
     the end or without memory */
  HostBool (*descriptionCopyEntry)(HostDescription* to, const HostDescription* from, int32_t index);
} HostStringApi;

/* Description entry attributes (the entry containers of a description). */
#define HOST_DESC_NAME 1
#define HOST_DESC_SHORT_NAME 2
#define HOST_DESC_ACCEPT 17     /* links: the base type a link accepts */
#define HOST_DESC_REMOVABLE 24  /* the interface offers to remove the entry (message 24) */
#define HOST_DESC_DYNAMIC 65    /* made by the plug-in at run time, not read from its resource */
/* Data types of description entries besides the HOST_DA_* value types. */
#define HOST_DTYPE_GROUP 1
#define HOST_DTYPE_BOOL 400006001
#define HOST_DTYPE_BUTTON 400006000
#define HOST_DTYPE_SEPARATOR 400006002
#define HOST_DTYPE_COLOR 3
/* GetDDescription flags: the plug-in filled the host's description itself. */
#define HOST_DESCFLAGS_DESC_LOADED 2
/* Sent when the user removes a removable entry: data is a HostDescriptionRemoveEntry. */
#define HOST_MSG_DESCRIPTION_REMOVE_ENTRY 24
typedef struct HostDescriptionRemoveEntry {
  HostDescId id;
} HostDescriptionRemoveEntry;
/* Sent to a node after a change the plug-in made to it; no data. */
#define HOST_MSG_UPDATE 5

/* Registration. */
typedef struct HostRegistryApi {
  uint32_t size;
  /* [main] make description `name` of `resource` the interface of plug-in `id` */
  HostBool (*registerDescription)(HostModule* module, int32_t id, HostStr name,
                                  const HostResource* resource);
  /* [main] the class table is copied; info: information flags */
  HostBool (*registerShader)(HostModule* module, int32_t id, HostStr name, int32_t info,
                             const HostShaderClass* cls, HostStr description, int32_t diskLevel);
  /* [main] the host takes ownership of instance and destroys it through cls->destroy, also
     when registration fails */
  HostBool (*registerTool)(HostModule* module, int32_t id, HostStr name, int32_t info,
                           HostStr help, const HostToolClass* cls, void* instance);
  /* ---- bitmap loaders (the cut shader's movie check) ---- */
  /* [main] number of registered plug-ins of a type (HOST_PLUGINTYPE_*) */
  int32_t (*pluginCount)(HostModule* module, int32_t type);
  /* [main] asks the index-th registered bitmap loader, in registry order, about a file: TRUE when
     it reads the file as a movie, with its frame count and frames per second */
  HostBool (*bitmapLoaderMovieInfo)(HostModule* module, int32_t index, HostStr path, int32_t* frameCount,
                                    double* fps);
} HostRegistryApi;

/* Containers and typed values. Container reads are [any]; writes [main]. */
#define HOST_DA_NIL 0
#define HOST_DA_LONG 15
#define HOST_DA_REAL 19
#define HOST_DA_TIME 22
#define HOST_DA_VECTOR 23
#define HOST_DA_CONTAINER 1000
#define HOST_DA_STRING 130
#define HOST_DA_FILENAME 131
#define HOST_DA_LINK 133
#define HOST_DA_CUSTOM 0x7fffffff /* any custom data type; HostData carries the type ID */
/* Material-preview data: how the material editor previews a shader (entry 520000000). */
#define HOST_CUSTOMDATA_MATPREVIEW 1011153

typedef struct HostContainerApi {
  uint32_t size;
  HostContainer* (*containerNew)(HostModule* module);                 /* [main] */
  void (*containerFree)(HostModule* module, HostContainer* bc);       /* [main] */
  HostBool (*containerCopy)(const HostContainer* from, HostContainer* to); /* [main] */
  int32_t (*getType)(const HostContainer* bc, int32_t id);            /* [any] HOST_DA_*, NIL if absent */
  int32_t (*getInt32)(const HostContainer* bc, int32_t id, int32_t preset); /* [any] */
  double (*getReal)(const HostContainer* bc, int32_t id, double preset);    /* [any] */
  HostVector (*getVector)(const HostContainer* bc, int32_t id, HostVector preset); /* [any] */
  HostStr (*getString)(const HostContainer* bc, int32_t id);          /* [any] valid until changed */
  /* [any] node linked at id, if it lives in doc and is of base type (0 = any) */
  HostNode* (*getLink)(const HostContainer* bc, int32_t id, HostNode* doc, int32_t baseType);
  /* [any] custom data of the given type stored at id, owned by the container */
  void* (*getCustom)(const HostContainer* bc, int32_t id, int32_t customType);
  const HostData* (*getData)(const HostContainer* bc, int32_t id);    /* [any] null if absent */
  void (*setInt32)(HostContainer* bc, int32_t id, int32_t value);      /* [main] */
  void (*setReal)(HostContainer* bc, int32_t id, double value);        /* [main] */
  void (*setVector)(HostContainer* bc, int32_t id, HostVector value);  /* [main] */
  void (*setString)(HostContainer* bc, int32_t id, HostStr value);     /* [main] */
  void (*setLink)(HostContainer* bc, int32_t id, HostNode* target);    /* [main] null clears */
  void (*setData)(HostContainer* bc, int32_t id, const HostData* value); /* [main] copies */
  HostBool (*remove)(HostContainer* bc, int32_t id);                   /* [main] */
  /* [main] browse: the index-th entry; FALSE past the end */
  HostBool (*browse)(const HostContainer* bc, int32_t index, int32_t* id, const HostData** data);

  HostData* (*dataNew)(HostModule* module);                           /* [main] NIL value */
  void (*dataFree)(HostModule* module, HostData* data);               /* [main] */
  void (*dataCopy)(HostData* to, const HostData* from);               /* [main] */
  int32_t (*dataType)(const HostData* data);                          /* [any] */
  int32_t (*dataCustomType)(const HostData* data);                    /* [any] 0 unless custom */
  int32_t (*dataGetInt32)(const HostData* data);                      /* [any] */
  double (*dataGetReal)(const HostData* data);                        /* [any] */
  HostVector (*dataGetVector)(const HostData* data);                  /* [any] */
  HostStr (*dataGetString)(const HostData* data);                     /* [any] */
  HostNode* (*dataGetLink)(const HostData* data, HostNode* doc, int32_t baseType); /* [any] */
  void* (*dataGetCustom)(const HostData* data, int32_t customType);   /* [any] */
  void (*dataSetInt32)(HostData* data, int32_t value);                /* [main] */
  void (*dataSetReal)(HostData* data, double value);                  /* [main] */
  void (*dataSetVector)(HostData* data, HostVector value);            /* [main] */
  void (*dataSetString)(HostData* data, HostStr value);               /* [main] */
  void (*dataSetLink)(HostData* data, HostNode* target);              /* [main] */
  /* [main] a fresh default value of a custom data type (e.g. a gradient); FALSE if unknown */
  HostBool (*dataSetCustomDefault)(HostData* data, int32_t customType);
  /* Revision 2. [main] how the material editor previews the node that stores this material-
     preview data (custom data type HOST_CUSTOMDATA_MATPREVIEW); the modes are the host's.
     FALSE for null or for custom data of another type */
  HostBool (*materialPreviewSetType)(void* preview, int32_t previewType);
  /* ---- revision 4 ---- */
  int32_t (*getId)(const HostContainer* bc);                          /* [any] the container's own ID */
  void (*setId)(HostContainer* bc, int32_t id);                       /* [main] */
} HostContainerApi;

/* Nodes, documents, links and undo. */
#define HOST_BASETYPE_SHADER 5707
#define HOST_BASETYPE_OBJECT 5155
#define HOST_BASETYPE_MATERIAL 5702
#define HOST_BASETYPE_TAG 5616
#define HOST_BASETYPE_DOCUMENT 110059
#define HOST_BASETYPE_VIEW 110305 /* a view of a document, as a node so that links can hold it */

typedef struct HostNodeApi {
  uint32_t size;
  HostContainer* (*dataInstance)(HostNode* node);   /* [any] the node's parameters */
  int32_t (*type)(const HostNode* node);             /* [any] plug-in or built-in type ID */
  HostBool (*isInstanceOf)(const HostNode* node, int32_t baseType); /* [any] */
  HostNode* (*document)(HostNode* node);             /* [any] null when not in a document */
  HostStr (*name)(const HostNode* node);             /* [main] */
  void* (*pluginData)(HostNode* node);               /* [any] the plug-in object, or null */
  HostNode* (*up)(HostNode* node);                   /* [any] parent in the object hierarchy */
  HostNode* (*down)(HostNode* node);                 /* [any] first child */
  HostNode* (*next)(HostNode* node);                 /* [any] next sibling */
  int32_t (*uniqueIdentity)(const HostNode* node);   /* [any] per-object identity number */
  /* [main] insert shader under parent (a shader or material), after `pred` (null: first) */
  void (*insertShader)(HostNode* parent, HostNode* shader, HostNode* pred);
  HostNode* (*firstShader)(HostNode* node);          /* [main] first child shader */
  void (*remove)(HostNode* node);                    /* [main] take out of the scene */
  void (*free)(HostModule* module, HostNode* node);  /* [main] free a removed node */
  HostNode* (*shaderNew)(HostModule* module, int32_t type); /* [main] new shader node or null */
  HostLink* (*linkNew)(HostModule* module);          /* [main] */
  void (*linkFree)(HostModule* module, HostLink* link); /* [main] */
  void (*linkSet)(HostLink* link, HostNode* target); /* [main] null clears */
  HostNode* (*linkGet)(const HostLink* link, HostNode* doc, int32_t baseType); /* [any] */
  HostNode* (*activeDocument)(void);                 /* [main] may be null */
  HostBool (*undoStart)(HostNode* doc);              /* [main] */
  HostBool (*undoAdd)(HostNode* doc, int32_t type, HostNode* node); /* [main] */
  HostBool (*undoEnd)(HostNode* doc);                /* [main] */
  void (*eventAdd)(int32_t flags);                   /* [main] the scene changed */
  /* Atom arrays: ordered lists of node references, not owning. Reads are [any]. */
  HostAtomArray* (*atomArrayNew)(HostModule* module);            /* [main] */
  void (*atomArrayFree)(HostModule* module, HostAtomArray* arr); /* [main] */
  HostBool (*atomArrayAppend)(HostAtomArray* arr, HostNode* node); /* [main] FALSE without memory */
  void (*atomArrayFlush)(HostAtomArray* arr);                    /* [main] */
  int32_t (*atomArrayCount)(const HostAtomArray* arr);           /* [any] */
  HostNode* (*atomArrayIndex)(const HostAtomArray* arr, int32_t index); /* [any] null out of range */

  /* ---- revision 2: documents that change ---- */
  /* [main] a new object of a built-in type (5155 null object, 5159 cube with its size vector at
     1100), not yet in a scene: the caller inserts it or frees it. Null for an unknown type */
  HostNode* (*objectNew)(HostModule* module, int32_t type);
  /* [main] insert a free object into doc under parent (null: top level) after pred (null: first) */
  void (*insertObject)(HostNode* doc, HostNode* object, HostNode* parent, HostNode* pred);
  /* [main] a new tag of the type on the object, after pred (null: last); null on failure.
     5616: texture tag, material link at 1010, projection at 1004 */
  HostNode* (*makeTag)(HostNode* object, int32_t type, HostNode* pred);
  /* [main] insert a free material into doc's list after pred (null: first); checkNames gives it
     a name no other material of the document has ("Name.1", "Name.2", ...) */
  void (*insertMaterial)(HostNode* doc, HostNode* material, HostNode* pred, HostBool checkNames);
  HostNode* (*firstObject)(HostNode* doc);          /* [main] */
  HostNode* (*firstMaterial)(HostNode* doc);        /* [main] */
  HostNode* (*firstTag)(HostNode* object);          /* [main] */
  /* [main] a copy of node and everything under it, not in a scene (the caller inserts or frees
     it); plug-in nodes are allocated and initialised, then take the original's parameters.
     trans (may be null) records which clone stands for which original. Null on failure */
  HostNode* (*clone)(HostModule* module, HostNode* node, int32_t copyFlags, HostAliasTrans* trans);
  HostAliasTrans* (*aliasTransNew)(HostModule* module);                /* [main] */
  void (*aliasTransFree)(HostModule* module, HostAliasTrans* trans);   /* [main] */
  HostBool (*aliasTransInit)(HostAliasTrans* trans, HostNode* doc);    /* [main] */
  /* [main] links inside the clones that point at cloned originals now point at their clones;
     links inside the clones to nodes that were not cloned keep their goal with connectOldGoals,
     else they are cleared */
  void (*aliasTransTranslate)(HostAliasTrans* trans, HostBool connectOldGoals);
  int32_t (*getBits)(const HostNode* node);                            /* [main] HOST_BIT_* */
  void (*changeBits)(HostNode* node, int32_t set, int32_t clear);      /* [main] */
  /* [main] the host's parameter setter: the node's SetDParameter, then the store unless the
     plug-in stored the value itself. No undo and no messages */
  HostBool (*setParameter)(HostNode* node, const HostDescId* id, const HostData* value, int32_t flags);
  HostTime (*documentTime)(const HostNode* doc);                       /* [main] current time */
  /* [main] the node whose list holds this one: for a shader the material (or document) above
     the shaders it hangs under, for a tag its object; null when it is in no list */
  HostNode* (*getMain)(HostNode* node);
} HostNodeApi;

/* Node bits. */
#define HOST_BIT_ACTIVE 2

/* Copy flags of clone. */
#define HOST_COPYFLAGS_NO_HIERARCHY 4 /* objects without their child objects */
#define HOST_COPYFLAGS_NO_BITS 8      /* the copy starts with no bits set */

/* Built-in node types and parameters of the editing host. */
#define HOST_OBJECT_NULL 5155
#define HOST_OBJECT_CUBE 5159
#define HOST_CUBE_SIZE 1100
#define HOST_TAG_TEXTURE 5616
#define HOST_TEXTURETAG_PROJECTION 1004
#define HOST_TEXTURETAG_MATERIAL 1010
#define HOST_TEXTURETAG_PROJECTION_UVW 6
/* Document parameters. */
#define HOST_DOCUMENT_TIME 1000 /* real, seconds */
#define HOST_DOCUMENT_FPS 1001  /* integer */
#define HOST_DOCUMENT_PATH 1012 /* file name: the folder of the document */

/* Undo types. */
#define HOST_UNDOTYPE_CHANGE 40
#define HOST_UNDOTYPE_NEW 44
#define HOST_UNDOTYPE_DELETE 45

/* Shaders and render records. */
/* Sent to a new channel shader: data is the HostNode* of the shader that was in the channel
   before, already taken out of the scene; the receiver inserts it under itself. */
#define HOST_MSG_INITIALCHANNEL 1001073
/* Sent to a node after the interface stored one of its parameters: data is a HostDescPostSet. */
#define HOST_MSG_DESCRIPTION_POSTSETPARAMETER 19
typedef struct HostDescPostSet {
  const HostDescId* id; /* the parameter that was set */
} HostDescPostSet;
#define HOST_COLORSPACE_SRGB_TO_LINEAR 2

/* Identity sums of a render object (revision 4): each is the sum of the uniqueIdentity of an
   object and of every object above it (`up`), wrapping at 32 bits; 0 where there is no object. */
typedef struct HostIdentitySums {
  int32_t sourceChain;    /* the source object and its ancestors */
  int32_t originChain;    /* the origin object and its ancestors */
  int32_t sourceIdentity; /* the source object alone */
  HostBool hasSource;     /* HOST_TRUE when the render object has a source object */
  HostBool hasOrigin;     /* HOST_TRUE when the render object has an origin object */
} HostIdentitySums;

typedef struct HostShaderApi {
  uint32_t size;
  int32_t (*initRender)(HostNode* shader, const HostInitRender* irs); /* [main] 0 = ok */
  HostVector (*sample)(HostNode* shader, HostChannelData* cd);        /* [any] */
  void (*freeRender)(HostNode* shader);                               /* [main] */
  HostBitmap* (*getBitmap)(HostNode* shader);                         /* [any] after initRender */
  /* [main] pass a message on to a linked shader (message forwarding) */
  HostBool (*message)(HostNode* shader, int32_t type, void* data);
  /* [any] convert a colour between colour spaces (mode 2: sRGB to linear) */
  HostVector (*transformColor)(HostVector color, int32_t mode);
  /* [any] render context lookups; each accepts a null record and answers null/-1. The polygon
     and its weights belong to the hit, whether or not it has a render object. */
  const HostRayObject* (*volumeLastHitObject)(const HostVolume* vd);
  int32_t (*volumeLastPolygon)(const HostVolume* vd);
  HostVector (*volumeHitPoint)(const HostVolume* vd);
  /* corner weights of the last hit polygon: (a, b, c, d); FALSE when there is no hit */
  HostBool (*volumePolygonWeights)(const HostVolume* vd, double weights[4]);
  HostNode* (*rayObjectSource)(const HostRayObject* ro); /* [any] scene object, may be null */
  HostNode* (*rayObjectOrigin)(const HostRayObject* ro); /* [any] origin object, may be null */
  int32_t (*rayObjectIndex)(const HostRayObject* ro);    /* [any] render-object index number */
  /* [any] turbulence at a point: octaves, absolute mode; value in [0, 1] */
  double (*turbulence)(HostVector point, double octaves, HostBool absolute);
  /* Revision 2. [any] identifier of the last ray hit, 0 without a hit. A hit need not resolve
     to a render object: its polygon and corner weights are still recorded. */
  int64_t (*volumeLastHitId)(const HostVolume* vd);
  /* ---- render object geometry (the cut shader's centre shader) ---- */
  /* [any] the render object's points in world space and their count; null when the host has none */
  const HostVector* (*rayObjectPoints)(const HostRayObject* ro, int32_t* count);
  /* [any] the render object's polygons, four point indices each (a, b, c, d; a triangle repeats c),
     and their count; null when the host has none */
  const int32_t* (*rayObjectPolygons)(const HostRayObject* ro, int32_t* count);
  /* [any] the texture coordinate that the render object's texture projection gives a point (world
     space) of its surface; FALSE when it has no projection */
  HostBool (*rayObjectTextureCoordinate)(const HostRayObject* ro, HostVector point, HostVector* uvw);
  /* ---- revision 4 ---- */
  /* [any] the render object's identity sums, worked out once by the host when it builds the
     render object (the scene does not change while it renders), so that a per-object key costs
     one call instead of a walk up the hierarchy. FALSE, with every field 0, for a null object */
  HostBool (*rayObjectIdentitySums)(const HostRayObject* ro, HostIdentitySums* sums);
  /* [main] during InitRender: the render objects of the render that `irs` sets up, and their
     number in *count, so that a shader can work out per-object values once instead of on every
     sample. The array and the objects stay valid until the render's FreeRender calls. Null, with
     *count 0, for a record that belongs to no render (material previews, bakes, plug-ins'
     own set-ups). A render may hand samples render objects it did not list here. */
  const HostRayObject* const* (*renderObjects)(const HostInitRender* irs, int32_t* count);
  /* [any] volumeLastHitObject and volumeLastPolygon in one call, for shaders that need both on
     every sample; a null polygon pointer is allowed */
  const HostRayObject* (*volumeLastHit)(const HostVolume* vd, int32_t* polygon);
} HostShaderApi;

/* Gradients (custom data type 1000481). */
#define HOST_CUSTOMDATA_GRADIENT 1000481

typedef struct HostGradientKnot {
  HostVector color;
  double brightness;
  double position;
  double bias;
  int32_t index;
  int32_t reserved;
} HostGradientKnot;

typedef struct HostGradientApi {
  uint32_t size;
  int32_t (*knotCount)(const HostGradient* g);                            /* [main] */
  HostBool (*getKnot)(const HostGradient* g, int32_t index, HostGradientKnot* knot); /* [main] */
  int32_t (*insertKnot)(HostGradient* g, const HostGradientKnot* knot);    /* [main] index or -1 */
  void (*removeAllKnots)(HostGradient* g);                                /* [main] */
  HostBool (*initRender)(HostGradient* g, const HostInitRender* irs);     /* [main] */
  HostVector (*calcGradient)(const HostGradient* g, double position);     /* [any] after initRender */
  void (*freeRender)(HostGradient* g);                                    /* [main] */
} HostGradientApi;

/* Bitmaps and files. */
typedef struct HostBitmapApi {
  uint32_t size;
  HostBitmap* (*alloc)(HostModule* module);                               /* [main] */
  void (*free)(HostModule* module, HostBitmap* bmp);                      /* [main] */
  HostBool (*init)(HostBitmap* bmp, int32_t width, int32_t height, int32_t depth); /* [main] */
  int32_t (*width)(const HostBitmap* bmp);                                /* [any] */
  int32_t (*height)(const HostBitmap* bmp);                               /* [any] */
  void (*setPixel)(HostBitmap* bmp, int32_t x, int32_t y, int32_t r, int32_t g, int32_t b); /* [main] */
  void (*getPixel)(const HostBitmap* bmp, int32_t x, int32_t y, int32_t rgb[3]); /* [any] */

  /* ---- revision 2 ---- */
  /* [main] write the picture to a file in a format (HOST_FILTER_*); HOST_IMAGERESULT_* */
  int32_t (*save)(const HostBitmap* bmp, HostStr path, int32_t format, int32_t saveBits);
  /* [main] dst takes src's size and pixels */
  HostBool (*copyTo)(const HostBitmap* src, HostBitmap* dst);

  /* ---- revision 3: folders ---- */
  /* [main] a walk over the entries of a folder (flags: 0), sorted by name in byte order; null
     when the folder cannot be read. Names are UTF-8 */
  HostBrowseFiles* (*browseFilesNew)(HostModule* module, HostStr folder, int32_t flags);
  /* [main] the next entry's name (valid until the next call) and whether it is a folder; FALSE
     at the end */
  HostBool (*browseFilesNext)(HostBrowseFiles* walk, HostStr* name, HostBool* isFolder);
  /* [main] null is allowed */
  void (*browseFilesFree)(HostModule* module, HostBrowseFiles* walk);
  /* [any] whether the path's suffix is `suffix` (without the dot): the part after the last dot of
     the file name, compared without regard to ASCII case; a name without a dot has no suffix */
  HostBool (*checkSuffix)(HostStr path, HostStr suffix);

  /* ---- revision 3: movies (the cut shader's atlas of a movie's frames) ---- */
  /* [main] bmp takes the size and pixels of frame `frame` (0 is the first) of a movie file;
     FALSE when the file is no movie the host reads or has no such frame */
  HostBool (*loadMovieFrame)(HostBitmap* bmp, HostStr path, int32_t frame);
  /* [main] src resized with the host's resize filter to w x h pixels and written into dst with
     its top left corner at (x, y); parts outside dst are dropped. FALSE for an empty source or
     size, or when the host cannot resize */
  HostBool (*scaleInto)(const HostBitmap* src, HostBitmap* dst, int32_t x, int32_t y, int32_t w, int32_t h);
} HostBitmapApi;

#define HOST_FILTER_TIFF 1100
#define HOST_FILTER_PNG 1023671
#define HOST_IMAGERESULT_OK 1
#define HOST_IMAGERESULT_FILEERROR 4  /* the file could not be written */
#define HOST_IMAGERESULT_PARAMERROR 7 /* empty picture or unknown format */

/* Dialogs. The user (or whoever stands in for them) answers; every call blocks until then. */
#define HOST_FILESELECTTYPE_ANYTHING 0
#define HOST_FILESELECTTYPE_IMAGES 1
#define HOST_FILESELECT_LOAD 0
#define HOST_FILESELECT_SAVE 1
#define HOST_FILESELECT_DIRECTORY 2

typedef struct HostDialogApi {
  uint32_t size;
  /* ---- revision 2 ---- */
  /* [main] file or folder selection. result holds the proposed name on entry (or NIL) and the
     chosen file name on TRUE; forceSuffix (may be empty) becomes the chosen name's suffix.
     FALSE when cancelled */
  HostBool (*fileSelect)(int32_t type, int32_t mode, HostStr title, HostStr forceSuffix, HostData* result);
  /* [main] yes/no question: TRUE for yes */
  HostBool (*question)(HostStr text);
  /* [main] a message the user acknowledges */
  void (*message)(HostStr text);
} HostDialogApi;

/* Views and input (tools). */
/* Four-character codes: the first character is the most significant byte. */
#define HOST_FOURCC(a, b, c, d) \
  ((int32_t)(((uint32_t)(a) << 24) | ((uint32_t)(b) << 16) | ((uint32_t)(c) << 8) | (uint32_t)(d)))
#define HOST_MSG_POINTER_X HOST_FOURCC('i', 'p', 'v', 'x') /* integer, view pixels */
#define HOST_MSG_POINTER_Y HOST_FOURCC('i', 'p', 'v', 'y')
#define HOST_INPUT_KEYBOARD HOST_FOURCC('k', 'e', 'y', 'b') /* input device */
#define HOST_INPUT_MOUSE HOST_FOURCC('m', 'o', 'u', 's')
#define HOST_INPUT_VALUE HOST_FOURCC('i', 'p', 'v', 'a')   /* integer: non-zero while down */
#define HOST_CURSORINFO_LEAVE HOST_FOURCC('c', 'i', 'r', 'm') /* cursor query: pointer left */
#define HOST_KEY_UP 61824
#define HOST_KEY_DOWN 61825
#define HOST_KEY_LEFT 61826
#define HOST_KEY_RIGHT 61827
#define HOST_BUTTON_LEFT 61440
#define HOST_RESULT_CURSOR 1 /* integer entry of a cursor query's result */
#define HOST_CURSOR_ARROW 1
#define HOST_CURSOR_POINT_HAND 19
#define HOST_DRAGRESULT_ESCAPE 1
#define HOST_DRAGRESULT_NOCHANGE 2
#define HOST_DRAGRESULT_CONTINUE 3
#define HOST_DRAGFLAGS_NOMOVE 1 /* the pointer does not move the view while dragging */
#define HOST_TOOLDRAW_NONE 0
#define HOST_DRAWPARAM_DEPTH_OFFSET 1002 /* real */
#define HOST_DRAWPARAM_SHADING 2         /* integer */
#define HOST_VIEWCOLOR_SELECTION 12
#define HOST_LINEFLAGS_NONE 0
#define HOST_LINEFLAGS_NOCLIP 1
#define HOST_HANDLE_BIG 3
#define HOST_EVENT_EDITOR_MOVE HOST_FOURCC('e', 'd', 'm', 'v')
#define HOST_EVENT_TOOL_CHANGED 200000073

typedef struct HostViewApi {
  uint32_t size;
  /* ---- revision 4 ---- */
  HostNode* (*activeView)(HostNode* doc);           /* [main] the document's active view, or null */
  /* [main] the view's frame in view pixels: x to the right, y downwards */
  void (*getFrame)(HostNode* view, int32_t* left, int32_t* top, int32_t* right, int32_t* bottom);
  /* [main] a draw parameter (HOST_DRAWPARAM_*) into result; NIL when the view has none */
  void (*getDrawParam)(HostNode* view, int32_t id, HostData* result);
  void (*setDrawParam)(HostNode* view, int32_t id, const HostData* value); /* [main] */
  /* [main] the set-up calls of a redraw: transparency (0 opaque) and depth offset (-1: in front) */
  void (*setTransparency)(HostNode* view, int32_t value);
  void (*setDepthOffset)(HostNode* view, int32_t value);
  void (*setMatrixScreen)(HostNode* view);          /* [main] points are view pixels from now on */
  /* [main] points are world points through m (null: identity); object may be null */
  void (*setMatrixMatrix)(HostNode* view, HostNode* object, const HostMatrix* m);
  /* [main] the world point that shows at screen point (x, y) at depth z in front of the camera */
  HostVector (*screenToWorld)(HostNode* view, HostVector screen);
  /* [main] a bitmap mapped onto a polygon of count points (4: a quad) with texture coordinates
     uvw; alphaMode and textureFlags are HOST_DRAWTEXTURE_* */
  void (*drawTexture)(HostNode* view, const HostBitmap* bmp, const HostVector* points,
                      const HostVector* colours, const HostVector* normals, const HostVector* uvw,
                      int32_t count, int32_t alphaMode, int32_t textureFlags);
  void (*setPen)(HostNode* view, HostVector colour);                        /* [main] */
  void (*drawLine)(HostNode* view, HostVector p1, HostVector p2, int32_t flags); /* [main] */
  void (*drawHandle2D)(HostNode* view, HostVector p, int32_t type);         /* [main] screen point */
  void (*drawHandle)(HostNode* view, HostVector p, int32_t type, int32_t flags); /* [main] */
  HostVector (*viewColor)(int32_t colourId);                                /* [main] HOST_VIEWCOLOR_* */
  /* [main] the state of an input channel (a key, a button) of a device (HOST_INPUT_*): result's
     HOST_INPUT_VALUE is non-zero while it is down. FALSE when the host cannot tell */
  HostBool (*inputState)(int32_t device, int32_t channel, HostContainer* result);
  HostBool (*windowInputState)(HostEditorWindow* win, int32_t device, int32_t channel,
                               HostContainer* result);                      /* [main] */
  /* [main] a mouse drag: start, then steps (movement since the previous step in dx, dy; channels
     may be null; HOST_DRAGRESULT_CONTINUE while it goes on), then end */
  void (*dragStart)(HostEditorWindow* win, int32_t button, double x, double y, int32_t flags);
  int32_t (*dragStep)(HostEditorWindow* win, double* dx, double* dy, HostContainer* channels);
  void (*dragEnd)(HostEditorWindow* win);
} HostViewApi;

/* Texture flags of drawTexture: which axes repeat outside [0, 1] (else the edge pixel stays). */
#define HOST_DRAWTEXTURE_REPEAT_U 1
#define HOST_DRAWTEXTURE_REPEAT_V 2
#define HOST_DRAWTEXTURE_MIRROR_U 4
#define HOST_DRAWTEXTURE_MIRROR_V 8

/* Miscellany: timer, events, commands. */
typedef struct HostMiscApi {
  uint32_t size;
  int64_t (*timerMs)(void);                  /* [any] milliseconds since an arbitrary start */
  HostBool (*callCommand)(int32_t command);  /* [main] run a host command, e.g. activate a tool */
  /* ---- revision 2 ---- */
  void (*drawViews)(int32_t flags);          /* [main] ask for the views to be redrawn */
  /* ---- revision 4 ---- */
  /* [main] broadcast a host event (HOST_EVENT_*) with two parameters to everything listening */
  void (*specialEventAdd)(int32_t message, int64_t p1, int64_t p2);
} HostMiscApi;

/* The table handed to c4d_main. `version` must stay the first member. */
typedef struct HostApi {
  int32_t version;    /* host interface version, e.g. 13000 */
  int32_t revision;   /* HOST_API_REVISION of the host */
  HostModule* module; /* the module this table was handed to; passed back to the host */
  const HostMemoryApi* memory;
  const HostStringApi* strings;
  const HostRegistryApi* registry;
  const HostContainerApi* containers;
  const HostNodeApi* nodes;
  const HostShaderApi* shaders;
  const HostGradientApi* gradients;
  const HostBitmapApi* bitmaps;
  const HostDialogApi* dialogs;
  const HostViewApi* views;
  const HostMiscApi* misc;
} HostApi;

/* c4d_main actions */
#define HOST_ACTION_INIT 1
#define HOST_ACTION_START 2
#define HOST_ACTION_END 3
#define HOST_ACTION_QUERY 4
#define HOST_ACTION_MESSAGE 6

/* The module's one export. p1: const HostApi* at INIT; the message ID at MESSAGE.
   p2: message data. p3: const HostStr* module file path at INIT. [main] */
typedef int32_t (*HostModuleMain)(int32_t action, void* p1, void* p2, void* p3);

#ifdef __cplusplus
}
#endif

#endif /* OMBREL_HOST_API_H */
