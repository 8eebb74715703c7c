var hint=document.getElementById("sorting");if(hint)hint.hidden=false;
document.querySelectorAll("table.sort").forEach(function(t){
var hs=Array.from(t.tHead.rows[0].cells),b=t.tBodies[0];
hs.forEach(function(h,i){
var k=document.createElement("button");k.type="button";k.append.apply(k,Array.from(h.childNodes));h.append(k);
k.addEventListener("click",function(){
var up=h.getAttribute("aria-sort")!=="ascending",text=h.hasAttribute("data-t");
hs.forEach(function(x){x.removeAttribute("aria-sort")});h.setAttribute("aria-sort",up?"ascending":"descending");
var rows=Array.from(b.rows).map(function(r){var c=r.cells[i],v=c.hasAttribute("data-v")?c.getAttribute("data-v"):c.textContent;
return [text?v:v==="inf"?Infinity:v==="-inf"?-Infinity:parseFloat(v),r]});
rows.sort(function(p,q){var x=p[0],y=q[0];if(!text&&(isNaN(x)||isNaN(y)))return isNaN(x)-isNaN(y);return (x<y?-1:x>y?1:0)*(up?1:-1)});
rows.forEach(function(p){b.appendChild(p[1])});
});
});
});
