/* Workflow actions and the values they assign, and the forms a workflow object applies
 * to. An assigned value is a tree: arithmetic, function arguments and external-call
 * arguments hold further values; every node reached through a pointer is a heap block
 * owned by the structure that points to it. Scalar words mean what the host says. */
#ifndef ZVI_ACTIONS_H
#define ZVI_ACTIONS_H

#include "zvi/qualifier.h"

ZVI_EXTERN_C_BEGIN

struct AssignFieldRef;
struct AssignArith;
struct AssignFunction;
struct AssignDde;
struct AssignSql;
struct AssignFilterApi;

/* What an assigned value is. */
enum {
    ZVI_ASSIGN_NONE = 0,
    ZVI_ASSIGN_VALUE = 1,      /* value */
    ZVI_ASSIGN_FIELD = 2,      /* field */
    ZVI_ASSIGN_COMMAND = 3,    /* command */
    ZVI_ASSIGN_ARITH = 4,      /* arith */
    ZVI_ASSIGN_FUNCTION = 5,   /* function */
    ZVI_ASSIGN_DDE = 6,        /* dde */
    ZVI_ASSIGN_SQL = 7,        /* sql */
    ZVI_ASSIGN_FILTER_API = 8  /* filterApi */
};

typedef struct AssignValue {
    uint32_t tag;
    union {
        Value value;
        struct AssignFieldRef* field;
        char* command;
        struct AssignArith* arith;
        struct AssignFunction* function;
        struct AssignDde* dde;
        struct AssignSql* sql;
        struct AssignFilterApi* filterApi;
        uint8_t raw[16];
    } u;
} AssignValue;
ZVI_SIZE(AssignValue, 24);
ZVI_AT(AssignValue, u, 8);
ZVI_COUNTED_LIST(AssignValueList, AssignValue);

typedef struct FieldAssign {
    uint32_t fieldId;
    AssignValue assign;
} FieldAssign;
ZVI_SIZE(FieldAssign, 32);
ZVI_AT(FieldAssign, assign, 8);
ZVI_COUNTED_LIST(FieldAssignList, FieldAssign);

/* A field of another form, found by a qualifier. refKind 6 points to a 12-byte record. */
enum { ZVI_REF_FIELD = 1, ZVI_REF_PAIR = 4, ZVI_REF_RECORD = 6, ZVI_REF_RECORD_SIZE = 12 };

typedef struct AssignFieldRef {
    char server[65];
    ObjectName formName;
    Qualifier qualifier;
    uint32_t refKind;
    union {
        uint32_t fieldId;
        uint32_t pair[2];
        void* record;
    } u;
    uint32_t words[2];
} AssignFieldRef;
ZVI_SIZE(AssignFieldRef, 368);
ZVI_AT(AssignFieldRef, formName, 65);
ZVI_AT(AssignFieldRef, qualifier, 320);
ZVI_AT(AssignFieldRef, refKind, 344);
ZVI_AT(AssignFieldRef, u, 352);
ZVI_AT(AssignFieldRef, words, 360);

/* Operation 6 has only a right operand. */
typedef struct AssignArith {
    uint32_t operation;
    AssignValue left;
    AssignValue right;
} AssignArith;
ZVI_SIZE(AssignArith, 56);
ZVI_AT(AssignArith, left, 8);
ZVI_AT(AssignArith, right, 32);

typedef struct AssignFunction {
    uint32_t functionCode;
    AssignValueList arguments;
} AssignFunction;
ZVI_SIZE(AssignFunction, 24);
ZVI_AT(AssignFunction, arguments.numItems, 8);
ZVI_AT(AssignFunction, arguments.items, 16);

typedef struct AssignDde {
    char* texts[3];
    uint32_t word;
    char* moreTexts[2];
} AssignDde;
ZVI_SIZE(AssignDde, 48);
ZVI_AT(AssignDde, word, 24);
ZVI_AT(AssignDde, moreTexts, 32);

typedef struct AssignSql {
    char server[65];
    uint32_t word;
    char* sqlCommand;
    uint32_t moreWords[4];
} AssignSql;
ZVI_SIZE(AssignSql, 96);
ZVI_AT(AssignSql, word, 68);
ZVI_AT(AssignSql, sqlCommand, 72);
ZVI_AT(AssignSql, moreWords, 80);

typedef struct AssignFilterApi {
    ObjectName pluginName;
    AssignValueList arguments;
    uint32_t word;
} AssignFilterApi;
ZVI_SIZE(AssignFilterApi, 280);
ZVI_AT(AssignFilterApi, arguments.numItems, 256);
ZVI_AT(AssignFilterApi, arguments.items, 264);
ZVI_AT(AssignFilterApi, word, 272);

typedef struct PushFieldAssign {
    AssignFieldRef target;
    AssignValue source;
} PushFieldAssign;
ZVI_SIZE(PushFieldAssign, 392);
ZVI_AT(PushFieldAssign, source, 368);
ZVI_COUNTED_LIST(PushFieldList, PushFieldAssign);

/* Actions. */
enum {
    ZVI_ACTION_NONE = 0,
    ZVI_ACTION_NOTIFY = 1,       /* notify */
    ZVI_ACTION_MESSAGE = 2,      /* message */
    ZVI_ACTION_TEXT_3 = 3,       /* text */
    ZVI_ACTION_SET_FIELDS = 4,   /* setFields */
    ZVI_ACTION_TEXT_5 = 5,       /* text */
    ZVI_ACTION_PUSH_FIELDS = 6,  /* pushFields */
    ZVI_ACTION_SQL = 7,          /* sql */
    ZVI_ACTION_SERVICE = 9,      /* service */
    ZVI_ACTION_TEXT_11 = 11,     /* text */
    ZVI_ACTION_SERVICE_12 = 12   /* service */
};

/* Notify fields mode 2: fieldIds lists the fields to include. */
enum { ZVI_NOTIFY_FIELDS_LISTED = 2 };

typedef struct NotifyMailExtras {
    char* texts[9];
    uint8_t reserved[16]; /* zero in a copy */
} NotifyMailExtras;
ZVI_SIZE(NotifyMailExtras, 88);
ZVI_AT(NotifyMailExtras, reserved, 72);

typedef struct NotifyAction {
    char* user;
    char* text;
    uint32_t words[4];
    char* subject;
    uint32_t fieldsMode;
    IdList fieldIds;
    uint32_t moreWords[2];
    NotifyMailExtras* mailExtras;
} NotifyAction;
ZVI_SIZE(NotifyAction, 80);
ZVI_AT(NotifyAction, text, 8);
ZVI_AT(NotifyAction, words, 16);
ZVI_AT(NotifyAction, subject, 32);
ZVI_AT(NotifyAction, fieldsMode, 40);
ZVI_AT(NotifyAction, fieldIds, 48);
ZVI_AT(NotifyAction, moreWords, 64);
ZVI_AT(NotifyAction, mailExtras, 72);

typedef struct MessageAction {
    uint32_t word;
    char* messageText;
} MessageAction;
ZVI_SIZE(MessageAction, 16);
ZVI_AT(MessageAction, messageText, 8);

typedef struct SetFieldsAction {
    FieldAssignList assignments;
    char server[65];
    char text[65];
    uint8_t rest[534];
} SetFieldsAction;
ZVI_SIZE(SetFieldsAction, 680);
ZVI_AT(SetFieldsAction, server, 16);
ZVI_AT(SetFieldsAction, text, 81);

typedef struct PushFieldsAction {
    PushFieldList pushList;
    char server[65];
    char text[65];
    uint8_t rest[534];
} PushFieldsAction;
ZVI_SIZE(PushFieldsAction, 680);
ZVI_AT(PushFieldsAction, server, 16);
ZVI_AT(PushFieldsAction, text, 81);

typedef struct SqlAction {
    char server[65];
    uint32_t word;
    char* sqlCommand;
} SqlAction;
ZVI_SIZE(SqlAction, 80);
ZVI_AT(SqlAction, word, 68);
ZVI_AT(SqlAction, sqlCommand, 72);

typedef struct ServiceAction {
    uint8_t fixed[328];
    FieldAssignList inputs;
    FieldAssignList outputs;
    uint8_t rest[320];
} ServiceAction;
ZVI_SIZE(ServiceAction, 680);
ZVI_AT(ServiceAction, inputs, 328);
ZVI_AT(ServiceAction, outputs, 344);

typedef struct WorkflowAction {
    uint32_t actionType;
    union {
        NotifyAction notify;
        MessageAction message;
        char* text;
        SetFieldsAction setFields;
        PushFieldsAction pushFields;
        SqlAction sql;
        ServiceAction service;
        uint8_t raw[680];
    } u;
} WorkflowAction;
ZVI_SIZE(WorkflowAction, 688);
ZVI_AT(WorkflowAction, u, 8);
ZVI_COUNTED_LIST(WorkflowActionList, WorkflowAction);
ZVI_COUNTED_LIST(WorkflowActionListList, WorkflowActionList);

/* The forms a workflow object applies to: type 1 points to a list of form names; the
 * 8 bytes of other types are passed on unchanged. */
enum { ZVI_CONNECT_FORMS = 1 };

typedef struct WorkflowConnect {
    uint32_t connectType;
    union {
        NameList* nameList;
        uint8_t raw[8];
    } u;
} WorkflowConnect;
ZVI_SIZE(WorkflowConnect, 16);
ZVI_AT(WorkflowConnect, u, 8);
ZVI_COUNTED_LIST(WorkflowConnectList, WorkflowConnect);

ZVI_EXTERN_C_END

#endif
